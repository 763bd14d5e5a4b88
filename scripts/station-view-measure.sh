#!/usr/bin/env bash
# Measures the station's view (figures for the README, not a timed test):
# the station's CPU preparing 24 simulated devices without the view and with
# the view open (one event stream, as a browser keeps), the delay from a
# link's end (the station's JSON line) to the pushed state showing it, and the
# board's memory on a store of 10,000 records.
#   bash scripts/station-view-measure.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
/usr/bin/python3 - "${1:-build}" <<'EOF'
import json, os, sqlite3, subprocess, sys, threading, time, urllib.request
sys.path.insert(0, "scripts")
from station_sims import firmware_folder, free_port, setup, simulators, store_with_numbers
build, work, cli, sim = setup()
devices = 24
fw, store = firmware_folder(work, 32768), store_with_numbers(cli, work, 20000)

def cpu_seconds(pid):
    fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

def produce(run, view):
    procs, ports = simulators(sim, work, run, devices, 460800)
    args = [cli, "produce", "--json", "--folder", fw, "--store", store, "--station", "M"]
    for p in ports: args += ["--port", p]
    port = free_port()
    if view: args += ["--http", str(port)]
    started = time.time()
    station = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    ends, shown = {}, {}
    def stream():
        for _ in range(100):
            try: r = urllib.request.urlopen(f"http://127.0.0.1:{port}/events"); break
            except OSError: time.sleep(0.05)
        else: return
        for line in r:
            if not line.startswith(b"data: {\"devices\""): continue
            now = time.time()
            for t in json.loads(line[6:])["slots"]:
                for i in range(len(t["ended"])): shown.setdefault((t["port"], i), now)
    if view: threading.Thread(target=stream, daemon=True).start()
    counts, cpu, rss = {}, 0.0, 0
    for line in station.stdout:
        o = json.loads(line)
        if o["type"] == "link_end":
            i = counts.get(o["port"], 0); counts[o["port"]] = i + 1
            ends[(o["port"], i)] = time.time()
        try:
            cpu = cpu_seconds(station.pid)
            rss = int([l for l in open(f"/proc/{station.pid}/status") if l.startswith("VmHWM")][0].split()[1])
        except (OSError, IndexError): pass
    station.wait()
    wall = time.time() - started
    for p in procs: p.terminate()
    delays = sorted(shown[k] - ends[k] for k in ends if k in shown)
    return (cpu, wall, delays), rss

produce(9, False)  # the store's first records, to copy
# 10,000 records: the runs' records copied in the store itself.
db = sqlite3.connect(store)
cols = ("station, port, port_identity, started, finished, module_type, core_version, application_version, "
        "program_version, serial_number, serial_state, links, boot_file, boot_sha256, firmware_file, "
        "firmware_sha256, application_file, application_sha256, failure")
while db.execute("SELECT count(*) FROM devices").fetchone()[0] < 10000:
    db.execute(f"INSERT INTO devices ({cols}) SELECT {cols.replace('serial_number', 'NULL').replace('serial_state', chr(39) + 'free' + chr(39))} FROM devices")
db.commit()
n = db.execute("SELECT count(*) FROM devices").fetchone()[0]
(cpu0, wall0, _), rss0 = produce(0, False)
(cpu1, wall1, delays), rss1 = produce(1, True)
print(f"24 devices without the view: {cpu0:.2f} s CPU in {wall0:.1f} s ({100 * cpu0 / wall0:.1f} % of a core), "
      f"{rss0 // 1024} MB at most, {n} records in the store")
print(f"24 devices with the view open: {cpu1:.2f} s CPU in {wall1:.1f} s ({100 * cpu1 / wall1:.1f} % of a core), "
      f"{rss1 // 1024} MB at most")
if delays:
    print(f"link end to pushed state: median {1000 * delays[len(delays) // 2]:.0f} ms, "
          f"worst {1000 * delays[-1]:.0f} ms over {len(delays)} link ends")

port = free_port()
board = subprocess.Popen([cli, "board", "--store", store, "--http", str(port)], stderr=subprocess.DEVNULL)
time.sleep(3)
urllib.request.urlopen(f"http://127.0.0.1:{port}/state").read()
c0 = cpu_seconds(board.pid); time.sleep(5); c1 = cpu_seconds(board.pid)
rss = [l for l in open(f"/proc/{board.pid}/status") if l.startswith("VmRSS")][0].split()[1]
print(f"board on {n} records: {int(rss) // 1024} MB resident, {100 * (c1 - c0) / 5:.1f} % of a core reading the store each second")
board.terminate(); board.wait()
EOF
