#!/usr/bin/env bash
# Four stations, two under each name, each preparing eight simulated devices,
# drawing their numbers from one store at once while a random station is
# killed (SIGKILL) a few times and started again under its name.  Afterwards: no number is in two devices, every
# device's stored number (the simulator's --state file) is the one its record
# names, and every number not stored is free again or unknown with a reason
# (a record saying so, or a station killed while holding it).
# Runs on one SQLite file, or on the PostgreSQL server given (the test command
# runs both: scripts/test.sh and scripts/postgresql-test.sh).
#   bash scripts/stations-test.sh [BUILD_DIR] [postgresql://…]
# With KORVEL_STATIONS_WINE_CLI=…/korvel-cli.exe the last station is that
# program under Wine (scripts/wine-run.sh, the prefix $WINEPREFIX), on COM
# ports COM31… mapped to its simulators, and reaches the store at
# KORVEL_STATIONS_WINE_STORE (default: the same address); the Linux stations
# and the Windows one share one PostgreSQL server (scripts/windows-station-test.sh).
set -euo pipefail
build=${1:-build}
pg=${2:-}
sim="$build/tools/korvel_simulator"
cli="$build/cli/korvel-cli"
wine_cli=${KORVEL_STATIONS_WINE_CLI:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
stations=4 devices=8 kills=3
dosdevices=${WINEPREFIX:-$here/../build-windows/wineprefix}/dosdevices
unmap_com_ports() {
  [ -n "$wine_cli" ] || return 0
  local d
  for d in $(seq "$devices"); do rm -f "$dosdevices/com$((30 + d))"; done
}
trap 'kill $(jobs -p) 2>/dev/null || true; unmap_com_ports; rm -rf "$work"' EXIT

mkdir -p "$work/fw"
head -c 1024 /dev/urandom > "$work/fw/dwl.dwl"
head -c 2048 /dev/urandom > "$work/fw/firmware_Q2687RD.dwl"
head -c 1024 /dev/urandom > "$work/fw/KORVEL.dwl"

windows_station() { [ -n "$wine_cli" ] && [ "$1" -eq "$stations" ]; }

run_on() {
  local store=$1 label=$2
  rm -rf "$work/run" && mkdir -p "$work/run"
  "$cli" serials add 1 1000 --store "$store" >/dev/null
  # Simulators: station s, device d, its state file keeps the number it stored.
  # The Windows station's reach theirs as COM31…: Wine's device folder links
  # each COM port to the link its simulator makes to its terminal.
  local s d link
  for s in $(seq "$stations"); do
    for d in $(seq "$devices"); do
      link=()
      if windows_station "$s"; then
        link=(--link "$work/run/com$((30 + d))")
        ln -sfn "$work/run/com$((30 + d))" "$dosdevices/com$((30 + d))"
      fi
      "$sim" --restart-ms 100 --state "$work/run/state-$s-$d" --ready-file "$work/run/ready-$s-$d" "${link[@]}" \
        >/dev/null 2>&1 &
    done
  done
  for s in $(seq "$stations"); do
    for d in $(seq "$devices"); do
      for _ in $(seq 200); do [ -s "$work/run/ready-$s-$d" ] && break; sleep 0.05; done
      if windows_station "$s"; then port=COM$((30 + d)); else port=$(cat "$work/run/ready-$s-$d"); fi
      echo "$port $work/run/state-$s-$d" >> "$work/run/ports"
    done
  done
  # Each station runs produce on its eight devices until one run ends by
  # itself; a killed run is started again under the same name, which the
  # station's twin is running under meanwhile.
  # Each run is a process group of its own (setsid), so that a kill takes
  # Wine's process with the one that started it.
  station() {
    local s=$1 args=() port program=("$cli") folder=$work/fw at=$store
    while read -r port _; do args+=(--port "$port"); done < <(sed -n "$(( (s - 1) * devices + 1 )),$(( s * devices ))p" "$work/run/ports")
    if windows_station "$s"; then
      program=(bash "$here/wine-run.sh" "$wine_cli") folder="Z:${work//\//\\}\\fw" at=${KORVEL_STATIONS_WINE_STORE:-$store}
    fi
    while :; do
      setsid "${program[@]}" produce --folder "$folder" --store "$at" --station "st$(( (s + 1) / 2 ))" "${args[@]}" \
        >>"$work/run/out-$s" 2>>"$work/run/err-$s" &
      echo $! > "$work/run/pid-$s"
      local code=0
      wait $! || code=$?
      [ "$code" -ge 128 ] || break
      echo "station st$s killed, started again" >&2
    done
    rm -f "$work/run/pid-$s"
  }
  local pids=()
  for s in $(seq "$stations"); do station "$s" & pids+=($!); done
  local k victim
  for k in $(seq "$kills"); do
    sleep "$(awk -v r=$RANDOM 'BEGIN { printf "%.1f", 10 + 6 * r / 32768 }')"
    victim=$(( RANDOM % stations + 1 ))
    [ -s "$work/run/pid-$victim" ] && kill -KILL -- "-$(cat "$work/run/pid-$victim")" 2>/dev/null || true
  done
  wait "${pids[@]}"

  "$cli" record export --jsonl --store "$store" > "$work/run/records.jsonl"
  "$cli" serials list --store "$store" > "$work/run/list" || true
  python3 - "$work/run" "$label" <<'EOF'
import json, sys, os, re
run, label = sys.argv[1], sys.argv[2]
records = [json.loads(l) for l in open(f"{run}/records.jsonl")]
ports = [l.split() for l in open(f"{run}/ports")]
fail = []
stored = [r for r in records if r.get("serial_state") == "stored"]
nums = [r["serial_number"] for r in stored]
if len(nums) != len(set(nums)): fail.append("a stored number in two records")
in_devices = {}
for port, state in ports:
    text = open(state).read() if os.path.exists(state) else ""
    m = re.search(r"^SNUM=(\d{8})$", text, re.M)
    if not m: fail.append(f"{port}: no number stored in the device"); continue
    n = m.group(1)
    if n in in_devices: fail.append(f"{n} in two devices")
    in_devices[n] = port
    last = [r for r in records if r["port"] == port and r.get("serial_number")]
    if not last or last[-1]["serial_number"] != n or last[-1]["serial_state"] != "stored":
        fail.append(f"{port}: device holds {n}, its last record says {last[-1] if last else None}")
counts = dict(re.findall(r"^(free|reserved|stored|unknown) (\d+)$", open(f"{run}/list").read(), re.M))
if int(counts.get("reserved", 0)) != 0: fail.append("numbers left reserved")
if int(counts.get("stored", 0)) != len(stored): fail.append("stored numbers without their record")
if sum(int(v) for v in counts.values()) != 1000: fail.append("numbers lost")
unknown_listed = set(re.findall(r"^(\d{8}) unknown", open(f"{run}/list").read(), re.M))
unknown_recorded = {r["serial_number"] for r in records if r.get("serial_state") == "unknown"}
print(f"{label}: {len(records)} records, {len(stored)} stored, {len(in_devices)} devices, "
      f"{len(unknown_listed)} unknown ({len(unknown_listed - unknown_recorded)} left by killed stations)")
for f in fail: print(f"{label}: FAIL {f}")
sys.exit(1 if fail else 0)
EOF
  kill $(jobs -p) 2>/dev/null || true
  wait 2>/dev/null || true
}

label=sqlite
[ -z "$pg" ] || label=postgresql
[ -z "$wine_cli" ] || label="$label, one station under Wine"
if [ -n "$pg" ]; then run_on "$pg" "$label"; else run_on "$work/station.sqlite" "$label"; fi
echo "stations-test: passed"
