#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default
# 20) on its seed corpus; the corpus grows in build-fuzz/corpus.  Prints the
# executions of every target and in all; fails on any finding.
#   bash tools/fuzz/run.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-20}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DKORVEL_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
targets=$(ls tools/fuzz/fuzz_*.cpp | xargs -n1 basename | sed "s/\.cpp$//")
cmake --build build-fuzz -j "$(nproc)" --target $targets >/dev/null
total=0
for target in $targets; do
  exe=build-fuzz/tools/fuzz/$target
  name=$(basename "$exe")
  corpus=build-fuzz/corpus/$name
  mkdir -p "$corpus"
  seeds=tools/fuzz/corpus/$name
  log=build-fuzz/$name.log
  if ! "$exe" -artifact_prefix=build-fuzz/ -max_total_time="$seconds" -print_final_stats=1 "$corpus" ${seeds:+$( [ -d "$seeds" ] && echo "$seeds")} >"$log" 2>&1; then
    echo "$name: FINDING"; tail -40 "$log"; exit 1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  total=$((total + runs))
  printf '%-22s %12d executions, 0 crashes\n' "$name" "$runs"
done
printf '%-22s %12d executions\n' "in all" "$total"
