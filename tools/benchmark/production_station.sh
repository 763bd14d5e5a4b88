#!/usr/bin/env bash
# korvel-cli produce on 1, 2, 4, 8 and 24 simulated devices (COUNTS to choose),
# each receiving at 115200 baud (the simulator's --baud), three 64 KiB images
# each: wall time per run, its ratio to one device (goal: 24 devices within
# 1.10 x one), the CLI's CPU per device while it runs (goal: below 1 % of a
# core), and how many of the run's devices their records show prepared in
# full (every link ok, the number stored); the script fails when one is not.
#   COUNTS="1 24" bash tools/benchmark/production_station.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
sim="$build/tools/korvel_simulator"
cli="$build/cli/korvel-cli"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/fw"
head -c 65536 /dev/urandom > "$work/fw/dwl.dwl"
head -c 65536 /dev/urandom > "$work/fw/firmware_Q2687RD.dwl"
head -c 65536 /dev/urandom > "$work/fw/KORVEL.dwl"
# The numbers come from a store of the benchmark's own.
store="$work/station.sqlite"
"$cli" serials add 1 1000 --store "$store" >/dev/null
incomplete=0

one=""
for count in ${COUNTS:-1 2 4 8 24}; do
  ports=()
  pids=()
  for n in $(seq "$count"); do
    "$sim" --baud 115200 --restart-ms 100 --ready-file "$work/ready$n" >/dev/null 2>&1 &
    pids+=($!)
  done
  for n in $(seq "$count"); do
    for _ in $(seq 100); do [ -s "$work/ready$n" ] && break; sleep 0.05; done
    ports+=(--port "$(cat "$work/ready$n")")
  done
  TIMEFORMAT='%R %U %S'
  times=$( { time "$cli" produce --folder "$work/fw" --store "$store" --station "bench$count" "${ports[@]}" >/dev/null 2>&1; } 2>&1 )
  kill "${pids[@]}" 2>/dev/null || true
  wait "${pids[@]}" 2>/dev/null || true
  rm -f "$work"/ready*
  read -r real user sys <<<"$times"
  [ -z "$one" ] && one=$real
  # Prepared in full, by the records: station, serial state, links, failure.
  full=$("$cli" record export --csv --store "$store" | awk -F';' -v st="bench$count" '
    $1 == st && $11 == "stored" && $12 !~ /failed|skipped/ && $NF ~ /^\r?$/ { n++ } END { print n + 0 }')
  [ "$full" -eq "$count" ] || incomplete=1
  awk -v c="$count" -v r="$real" -v u="$user" -v s="$sys" -v o="$one" -v f="$full" 'BEGIN {
    printf "%d device(s): %6.1f s, ratio to one %.2f, CPU %.2f %% of a core per device, %d prepared in full\n",
           c, r, r / o, 100 * (u + s) / r / c, f }'
done
exit "$incomplete"
