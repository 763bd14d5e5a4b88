#!/usr/bin/env bash
# korvel-cli.exe station --watch under Wine: COM ports appear in the
# registry's serial-port map (HKLM\HARDWARE\DEVICEMAP\SERIALCOMM) as a plugged
# adapter's do, each mapped to a device simulator through Wine's device
# folder, and go again.  Each device is prepared once however long it stays;
# one plugged again on the same port is a new device with a number of its
# own; each record names its port as the fixture slot and the number its
# device holds.  The ports the map listed before are set aside meanwhile.
# The station serves its view meanwhile (--http): fetched from Linux, the
# page, its script and the event stream come, and the state shows each slot
# done with the number its device holds.
# Run by scripts/windows-station-test.sh, with the prefix of
# scripts/windows-build.sh and the default build's simulator (or the one
# KORVEL_SIMULATOR names).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)/build-windows
export WINEPREFIX=$root/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cli=$root/build/cli/korvel-cli.exe
sim=${KORVEL_SIMULATOR:-build/tools/korvel_simulator}
map='HKLM\HARDWARE\DEVICEMAP\SERIALCOMM'
work=$(mktemp -d)
winpath() { echo "Z:${1//\//\\}"; }
store=$(winpath "$work/watch.sqlite")
declare -A sims=()
station=

fail() { echo "windows-watch-test: $*" >&2; for f in "$work"/station.*; do [ -f "$f" ] && { echo "---- $f" >&2; cat "$f" >&2; }; done; exit 1; }
reg() { wine reg "$@" >/dev/null 2>&1; }
finish() {
    [ -z "$station" ] || kill -KILL -- "-$station" 2>/dev/null || true
    local n name data
    for n in "${!sims[@]}"; do unplug "$n"; done
    [ ! -f "$work/set-aside" ] ||
        while IFS=$'\t' read -r name data; do reg add "$map" /v "$name" /t REG_SZ /d "$data" /f || true; done < "$work/set-aside"
    rm -rf "$work"
}
trap finish EXIT

# plug N: a simulator behind COMN (its state file: the number it stored),
# and COMN in the map.  unplug N: the port leaves the map, its device goes.
plug() {
    local n=$1 state=$2
    rm -f "$work/com$n" "$work/com$n.ready"
    "$sim" --link "$work/com$n" --ready-file "$work/com$n.ready" --state "$work/$state" --restart-ms 100 >/dev/null 2>&1 &
    sims[$n]=$!
    for _ in $(seq 100); do [ -s "$work/com$n.ready" ] && break; sleep 0.1; done
    ln -sfn "$work/com$n" "$WINEPREFIX/dosdevices/com$n"
    reg add "$map" /v "\\Device\\KorvelWatch$n" /t REG_SZ /d "COM$n" /f || fail "could not add COM$n to $map"
}
unplug() {
    local n=$1
    reg delete "$map" /v "\\Device\\KorvelWatch$n" /f || true
    kill "${sims[$n]}" 2>/dev/null || true
    wait "${sims[$n]}" 2>/dev/null || true
    unset "sims[$n]"
    rm -f "$WINEPREFIX/dosdevices/com$n"
}
records() { bash scripts/wine-run.sh "$cli" record export --jsonl --store "$store" 2>/dev/null | tr -d '\r' | grep -c '^{' || true; }
wait_records() {  # count: until the store holds that many, then a few of the station's looks more
    for _ in $(seq 60); do
        [ "$(records)" -ge "$1" ] && break
        sleep 1
    done
    sleep 3
    local now
    now=$(records)
    [ "$now" -eq "$1" ] || fail "the store holds $now device records, not $1"
}

wine reg query "$map" 2>/dev/null | tr -d '\r' | awk '$2 == "REG_SZ" { print $1 "\t" $3 }' > "$work/set-aside"
while IFS=$'\t' read -r name _; do reg delete "$map" /v "$name" /f; done < "$work/set-aside"

mkdir -p "$work/fw"
head -c 1024 /dev/urandom > "$work/fw/dwl.dwl"
head -c 2048 /dev/urandom > "$work/fw/firmware_Q2687RD.dwl"
head -c 1024 /dev/urandom > "$work/fw/KORVEL.dwl"
bash scripts/wine-run.sh "$cli" serials add 1 100 --store "$store" >/dev/null 2>&1 || fail "serials add failed"

plug 41 state-41-first
plug 42 state-42
http=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
setsid bash scripts/wine-run.sh "$cli" station --watch --folder "$(winpath "$work/fw")" --store "$store" \
    --station watch --http "127.0.0.1:$http" >"$work/station.out" 2>"$work/station.err" &
station=$!
wait_records 2
python3 - "$work" "$http" <<'PY' || fail "the station's view under Wine"
import json, re, sys, urllib.request
work, port = sys.argv[1], sys.argv[2]
base = f"http://127.0.0.1:{port}"
get = lambda path: urllib.request.urlopen(base + path, timeout=10)
page = get("/").read().decode()
if "<title>KORVEL" not in page or "view.js" not in page: sys.exit(f"the page is not the view: {page[:200]!r}")
if len(get("/view.js").read()) < 1000: sys.exit("the page's script is missing")
with get("/events") as events:
    first = events.readline().decode()
    if not first.startswith(("data:", "event:", "retry:", ":")): sys.exit(f"the event stream begins {first!r}")
def held(state):
    m = re.search(r"^SNUM=(\d{8})$", open(f"{work}/{state}").read(), re.M)
    return m.group(1) if m else None
tiles = {t["port"]: t for t in json.loads(get("/state").read())["slots"]}
for port_name, state in (("COM41", "state-41-first"), ("COM42", "state-42")):
    t = tiles.get(port_name)
    if not t or t["phase"] != "done" or t["serial"] != held(state):
        sys.exit(f"{port_name}'s tile: {t}")
PY
echo "windows-watch-test: the station's view from korvel-cli.exe, fetched from Linux, shows both slots done"
# COM41's device is unplugged; another is plugged into the same port.
unplug 41
sleep 2
plug 41 state-41-second
wait_records 3
kill -INT -- "-$station" 2>/dev/null || true
for _ in $(seq 30); do kill -0 "$station" 2>/dev/null || break; sleep 0.5; done
kill -KILL -- "-$station" 2>/dev/null || true
station=

bash scripts/wine-run.sh "$cli" record export --jsonl --store "$store" 2>/dev/null | tr -d '\r' > "$work/records.jsonl"
python3 - "$work" <<'PY' || fail "the records do not match the devices"
import json, re, sys
work = sys.argv[1]
records = sorted((json.loads(l) for l in open(f"{work}/records.jsonl") if l.startswith("{")), key=lambda r: r["started"])
def held(state):
    try: m = re.search(r"^SNUM=(\d{8})$", open(f"{work}/{state}").read(), re.M)
    except OSError: return None
    return m.group(1) if m else None
by_port = {}
for r in records: by_port.setdefault(r["port"], []).append(r)
fail = []
if len(records) != 3 or len(by_port.get("COM41", [])) != 2 or len(by_port.get("COM42", [])) != 1:
    fail.append("not one record per device plugged: " + ", ".join(f"{p} {len(v)}" for p, v in sorted(by_port.items())))
devices = list(zip(by_port.get("COM41", []), ["state-41-first", "state-41-second"])) + \
          list(zip(by_port.get("COM42", []), ["state-42"]))
for r, state in devices:
    if r["serial_state"] != "stored" or r["serial_number"] != held(state):
        fail.append(f"{r['port']}: the device of {state} holds {held(state)}, its record says "
                    f"{r['serial_number']} {r['serial_state']}")
    if r["port_identity"] != r["port"]: fail.append(f"{r['port']}: fixture slot {r['port_identity']!r}")
numbers = [r["serial_number"] for r in records]
if len(set(numbers)) != len(numbers): fail.append(f"a number in two records: {numbers}")
for f in fail: print("windows-watch-test: FAIL", f)
sys.exit(1 if fail else 0)
PY
echo "windows-watch-test: station --watch under Wine prepared each plugged device once, and the one plugged again" \
     "into COM41 as a new device; numbers stored and recorded"
