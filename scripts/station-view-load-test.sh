#!/usr/bin/env bash
# The station's view under load: a station prepares 8 simulated devices (on
# lines paced at 115200 baud, as real ones are) once with no one watching and
# once with 20 event-stream clients connected to its view all along.  Every
# device must be prepared in full both times (all links, its number stored,
# the number in its simulator), every client must keep getting the state, and
# the devices' mean time with the viewers must stay within 2 % of their mean
# time without them.
#   bash scripts/station-view-load-test.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
/usr/bin/python3 - "${1:-build}" <<'EOF'
import json, re, subprocess, sys, threading, time, urllib.request
from datetime import datetime
sys.path.insert(0, "scripts")
from station_sims import firmware_folder, free_port, setup, simulators, store_with_numbers
build, work, cli, sim = setup()
devices, viewers = 8, 20
fw, store = firmware_folder(work, 24576), store_with_numbers(cli, work, 1000)

def fail(why):
    print(f"station-view-load-test: FAIL {why}"); sys.exit(1)

def seconds(record):
    t = lambda s: datetime.fromisoformat(s.replace("Z", "+00:00")).timestamp()
    return t(record["finished"]) - t(record["started"])

def produce(run, view):
    procs, ports = simulators(sim, work, run, devices, 115200, states=True)
    held = {p: f"{work}/state-{run}-{d}" for d, p in enumerate(ports)}
    args = [cli, "produce", "--json", "--folder", fw, "--store", store, "--station", "L"]
    for p in held: args += ["--port", p]
    port = free_port()
    if view: args += ["--http", str(port)]
    station = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    got = [0] * viewers
    def watch(i):
        for _ in range(200):
            try: r = urllib.request.urlopen(f"http://127.0.0.1:{port}/events", timeout=30); break
            except OSError: time.sleep(0.02)
        else: return
        for line in r:
            if line.startswith(b"event: state"): got[i] += 1
    if view:
        for i in range(viewers): threading.Thread(target=watch, args=(i,), daemon=True).start()
    records = [json.loads(l)["record"] for l in station.stdout if '"device_end"' in l]
    station.wait()
    for p in procs: p.terminate()
    links = "identify=ok files=ok delete=ok boot=ok firmware=ok application=ok start=ok serial=ok".split()
    for r in records:
        m = re.search(r"^SNUM=(\d{8})$", open(held[r["port"]]).read(), re.M)
        if r["failure"] or r["serial_state"] != "stored" or not m or m.group(1) != r["serial_number"] \
                or [f"{l['name']}={l['outcome']}" for l in r["links"]] != links:
            fail(f"{r['port']} not prepared in full: {r}")
    if len(records) != devices: fail(f"{len(records)} devices recorded of {devices}")
    if view and min(got) < 2: fail(f"a viewer got the state only {min(got)} times: {got}")
    return sum(seconds(r) for r in records) / devices

alone = produce(0, False)
loaded = produce(1, True)
print(f"station-view-load-test: a device took {alone:.2f} s on average without viewers, "
      f"{loaded:.2f} s with {viewers} viewers "
      f"({100 * (loaded - alone) / alone:+.1f} %)")
if loaded > alone * 1.02: fail("the viewers slowed the devices by more than 2 %")
EOF
