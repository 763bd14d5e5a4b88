#!/usr/bin/env bash
# The station's view in a real browser (Debian's headless Chromium driven by
# Selenium): simulators appear in a watch folder; each slot's tile goes from
# preparing (its progress moving) to done with the number the simulator
# stored; a device refusing its serial number shows failed with its reason; a
# finished tile keeps its result until a new device appears in that slot;
# stopping the station shows the offline notice within 5 s, and a station
# started again brings the page back without a reload.  Then the line's board
# on the same store shows the station's tiles and yield, and on a
# non-loopback address answers 401 without its token and the page with it.
# Saves a picture of the page as docs/station-view.png (with --screenshot).
# Given a PostgreSQL server instead, it checks the board there with two
# stations: both stations' tiles and yields appear and follow.
#   bash scripts/station-view-test.sh [BUILD_DIR] [--screenshot | postgresql://…]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shot=${2:-}
bash scripts/install-packages.sh
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/fw"
head -c 1024 /dev/urandom > "$work/fw/dwl.dwl"
head -c 49152 /dev/urandom > "$work/fw/firmware_Q2687RD.dwl"
head -c 4096 /dev/urandom > "$work/fw/KORVEL.dwl"

if [[ "$shot" == postgres* ]]; then
/usr/bin/python3 - "$build" "$work" "$shot" <<'EOF'
import json, os, socket, subprocess, sys, time, urllib.request
build, work, store = sys.argv[1:4]
cli, sim = f"{build}/cli/korvel-cli", f"{build}/tools/korvel_simulator"
subprocess.run([cli, "serials", "add", "1", "100", "--store", store], check=True, stdout=subprocess.DEVNULL)
with socket.socket() as s:
    s.bind(("127.0.0.1", 0)); port = s.getsockname()[1]
board = subprocess.Popen([cli, "board", "--store", store, "--http", str(port)], stderr=subprocess.DEVNULL)
def state():
    for _ in range(50):
        try: return json.loads(urllib.request.urlopen(f"http://127.0.0.1:{port}/state").read())
        except OSError: time.sleep(0.1)
def stations(want_done):
    end = time.time() + 30
    while time.time() < end:
        got = {s["station"]: s for s in state()["stations"] if s["station"] in ("PA", "PB")}
        # A slot is named by its port: a second round on other ports adds slots.
        if len(got) == 2 and all(g["yield"]["done"] == want_done and len(g["slots"]) >= 2
                                   and all(t["phase"] == "done" for t in g["slots"]) for g in got.values()):
            return got
        time.sleep(0.2)
    print(f"station-view-test: FAIL the board shows {state()['stations']}"); board.terminate(); sys.exit(1)
def run_both(round):
    sims, runs = [], []
    for name in ("PA", "PB"):
        ports = []
        for d in range(2):
            ready = f"{work}/ready-{name}-{d}-{round}"
            sims.append(subprocess.Popen([sim, "--restart-ms", "100", "--ready-file", ready],
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            while not (os.path.exists(ready) and os.path.getsize(ready)): time.sleep(0.02)
            ports += ["--port", open(ready).read().strip()]
        runs.append(subprocess.Popen([cli, "produce", "--folder", f"{work}/fw", "--store", store, "--station", name,
                                      *ports], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    for r in runs: r.wait()
    for p in sims: p.terminate()
run_both(1); stations(2)
run_both(2); got = stations(4)
board.terminate()
print("station-view-test: the board on PostgreSQL follows two stations:",
      {n: g["yield"]["done"] for n, g in got.items()})
EOF
exit 0
fi

# Debian's python3 holds Selenium, whatever python3 comes first in PATH.
/usr/bin/python3 - "$build" "$work" "$shot" <<'EOF'
import json, os, re, signal, socket, subprocess, sys, threading, time, urllib.request, urllib.error
from selenium import webdriver
from selenium.webdriver.chrome.service import Service

build, work, shot = sys.argv[1], sys.argv[2], sys.argv[3] == "--screenshot"
cli = os.path.abspath(f"{build}/cli/korvel-cli")
sim = os.path.abspath(f"{build}/tools/korvel_simulator")
store = f"{work}/station.sqlite"
watch = f"{work}/watch"
os.makedirs(watch)
procs = []

def fail(why):
    print(f"station-view-test: FAIL {why}")
    sys.exit(1)

def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]

def simulator(slot, *extra):
    p = subprocess.Popen([sim, "--restart-ms", "100", "--baud", "230400", "--state", f"{work}/state-{slot}",
                          "--link", f"{watch}/{slot}", *extra], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    procs.append(p)
    return p

def stored_number(slot):
    m = re.search(r"^SNUM=(\d{8})$", open(f"{work}/state-{slot}").read(), re.M)
    return m.group(1) if m else None

def station(port, name="A", *extra):
    p = subprocess.Popen([cli, "station", "--watch", watch, "--folder", f"{work}/fw", "--store", store,
                          "--station", name, "--http", str(port), *extra],
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    procs.append(p)
    line = p.stderr.readline()  # where the view listens
    if "http://" not in line: fail(f"station told no address: {line!r}")
    threading.Thread(target=p.stderr.read, daemon=True).start()
    return p

def wait(what, check, timeout):
    end = time.time() + timeout
    while time.time() < end:
        value = check()
        if value: return value
        time.sleep(0.05)
    fail(f"{what} not within {timeout} s")

def tiles():
    return {t["slot"]: t for t in driver.execute_script(
        "return [...document.querySelectorAll('.tile')].map(e => ({slot: e.dataset.slot, "
        "phase: e.dataset.phase, serial: e.dataset.serial, percent: +e.dataset.percent, "
        "failure: (e.querySelector('.reason') || {dataset: {}}).dataset.failure || '', "
        "reason: (e.querySelector('.reason') || {}).textContent || ''}))")}

def phases_seen():
    return driver.execute_script("return window.seen || {}")

def get(url):
    try:
        with urllib.request.urlopen(url, timeout=5) as r: return r.status, r.read()
    except urllib.error.HTTPError as e: return e.code, b""

subprocess.run([cli, "serials", "add", "1", "100", "--store", store], check=True, stdout=subprocess.DEVNULL)
options = webdriver.ChromeOptions()
for a in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1280,800"): options.add_argument(a)
driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
try:
    port = free_port()
    run = station(port)
    driver.get(f"http://127.0.0.1:{port}/")
    # Every phase and progress a tile shows, sampled in the page itself.
    driver.execute_script("""window.seen = {}; window.loaded = 'first';
      setInterval(() => document.querySelectorAll('.tile').forEach(e => {
        const s = window.seen[e.dataset.slot] = window.seen[e.dataset.slot] || {phases: [], percents: []};
        if (s.phases[s.phases.length - 1] !== e.dataset.phase) s.phases.push(e.dataset.phase);
        if (+e.dataset.percent > 0) s.percents.push(+e.dataset.percent); }), 20);""")
    first = simulator("slot-1")
    simulator("slot-2", "--refuse", "AT+ZQSNUM")
    simulator("slot-3")
    wait("slot-1 done", lambda: tiles().get("slot-1", {}).get("phase") == "done", 60)
    wait("slot-2 failed, slot-3 done", lambda: tiles().get("slot-2", {}).get("phase") == "failed"
         and tiles().get("slot-3", {}).get("phase") == "done", 60)
    t, seen = tiles(), phases_seen()
    if "preparing" not in seen["slot-1"]["phases"] or seen["slot-1"]["phases"][-1] != "done":
        fail(f"slot-1 went {seen['slot-1']['phases']}")
    if len(set(seen["slot-1"]["percents"])) < 3: fail(f"slot-1's progress did not move: {seen['slot-1']}")
    for slot in ("slot-1", "slot-3"):
        if t[slot]["serial"] != stored_number(slot) or not t[slot]["serial"]:
            fail(f"{slot} shows {t[slot]['serial']}, the device stored {stored_number(slot)}")
    if not t["slot-2"]["failure"].startswith("serial") or not t["slot-2"]["reason"].strip():
        fail(f"slot-2's reason: {t['slot-2']}")
    # The device leaves the slot: its result stays; the next one replaces it.
    done_number = t["slot-1"]["serial"]
    first.terminate(); first.wait()
    time.sleep(1.5)
    if tiles()["slot-1"]["phase"] != "done" or tiles()["slot-1"]["serial"] != done_number:
        fail("slot-1's result went with its device")
    driver.execute_script("window.seen['slot-1'] = {phases: [], percents: []}")
    simulator("slot-1")
    wait("the next device in slot-1 preparing", lambda: tiles()["slot-1"]["phase"] == "preparing", 10)
    if shot:
        wait("progress to show", lambda: tiles()["slot-1"]["percent"] > 20, 30)
        os.makedirs("docs", exist_ok=True)
        driver.save_screenshot("docs/station-view.png")
    wait("slot-1's next device done", lambda: tiles()["slot-1"]["phase"] == "done", 60)
    if tiles()["slot-1"]["serial"] in ("", done_number): fail("slot-1's next device shows the old number")
    # The station stops: the page says so within 5 s.
    for p in procs[1:]:
        if p is not run: p.terminate()
    run.send_signal(signal.SIGINT); run.wait(timeout=20)
    stopped = time.time()
    wait("the offline notice", lambda: driver.execute_script("return document.body.dataset.online") == "no", 5)
    print(f"station-view-test: offline notice {time.time() - stopped:.2f} s after the station stopped")
    run = station(port)
    wait("the page back", lambda: driver.execute_script("return document.body.dataset.online") == "yes", 10)
    if driver.execute_script("return window.loaded") != "first": fail("the page was reloaded")
    run.send_signal(signal.SIGINT); run.wait(timeout=20)

    # The line's board from the store alone, on a non-loopback address.
    bport = free_port()
    board = subprocess.Popen([cli, "board", "--store", store, "--http", f"0.0.0.0:{bport}"],
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    procs.append(board)
    url = re.search(r"http://\S+", board.stderr.readline()).group(0)
    threading.Thread(target=board.stderr.read, daemon=True).start()
    token = url.split("token=")[1]
    base = f"http://127.0.0.1:{bport}/"
    if get(base)[0] != 401 or get(base + "state")[0] != 401: fail("no 401 without the token")
    if get(base + "?token=wrong")[0] != 401: fail("no 401 with a wrong token")
    if get(base + "view.js")[0] != 401: fail("the page's script without the token")
    status, body = get(base + "state?token=" + token)
    if status != 200: fail(f"{status} with the token")
    a = [s for s in json.loads(body)["stations"] if s["station"] == "A"]
    if not a or a[0]["yield"]["done"] != 3 or a[0]["yield"]["failed"] != 1: fail(f"board's station A: {a}")
    driver.get(base + "?token=" + token)
    wait("the board's tiles", lambda: len(tiles()) == 3 and tiles()["slot-2"]["phase"] == "failed", 10)
    status, csv = get(base + "records.csv?token=" + token)
    rows = csv.count(b"\r\n")
    if status != 200 or rows != 5: fail(f"records.csv: {status}, {rows} lines")
    print("station-view-test: passed")
finally:
    driver.quit()
    for p in procs:
        if p.poll() is None: p.terminate()
EOF
