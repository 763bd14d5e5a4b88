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
build=${1:-build}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/fw"
head -c 1024 /dev/urandom > "$work/fw/dwl.dwl"
head -c 24576 /dev/urandom > "$work/fw/firmware_Q2687RD.dwl"
head -c 4096 /dev/urandom > "$work/fw/KORVEL.dwl"

/usr/bin/python3 - "$build" "$work" <<'EOF'
import json, os, re, socket, subprocess, sys, threading, time, urllib.request
from datetime import datetime
build, work = sys.argv[1], sys.argv[2]
cli, sim = f"{build}/cli/korvel-cli", f"{build}/tools/korvel_simulator"
devices, viewers = 8, 20
store = f"{work}/station.sqlite"
subprocess.run([cli, "serials", "add", "1", "1000", "--store", store], check=True, stdout=subprocess.DEVNULL)

def fail(why):
    print(f"station-view-load-test: FAIL {why}"); sys.exit(1)

def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0)); return s.getsockname()[1]

def seconds(record):
    t = lambda s: datetime.fromisoformat(s.replace("Z", "+00:00")).timestamp()
    return t(record["finished"]) - t(record["started"])

def produce(run, view):
    procs, ports = [], []
    for d in range(devices):
        ready, state = f"{work}/ready-{run}-{d}", f"{work}/state-{run}-{d}"
        procs.append(subprocess.Popen([sim, "--restart-ms", "100", "--baud", "115200", "--ready-file", ready,
                                       "--state", state], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        ports.append((ready, state))
    held = {}
    for ready, state in ports:
        while not (os.path.exists(ready) and os.path.getsize(ready)): time.sleep(0.02)
        held[open(ready).read().strip()] = state
    args = [cli, "produce", "--json", "--folder", f"{work}/fw", "--store", store, "--station", "L"]
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
