#!/usr/bin/env bash
# Runs the fault matrix (every device operation against every line and
# device fault, over pseudo-terminals against the simulator) and prints a
# Markdown table: each row's wait against its bound, the CPU time it took,
# and whether it held.
#
#   bash tools/fault_matrix/run.sh [BUILD_DIR] [GTEST_FILTER]
#
# BUILD_DIR defaults to build/ (the default preset); the matrix program must
# have been built there (cmake --build BUILD_DIR --target fault_matrix_tests).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
filter=${2:-'Rows/*'}
program=$build/tests/fault_matrix_tests
if [[ ! -x $program ]]; then
    echo "no $program: build the fault_matrix_tests target first" >&2
    exit 2
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
QT_QPA_PLATFORM=offscreen "$program" --gtest_filter="$filter" >"$log" 2>&1 || status=$?

awk '
/^ROW / {
    rows++
    if ($6 == "held") held++
    line[rows] = sprintf("| %s | %d | %d | %d | %s |", $2, $3, $4, $5, $6)
    if ($3 > longest) { longest = $3; longestRow = $2 }
    op = $2; sub(/_.*/, "", op)
    if (!(op in opRows)) order[++ops] = op
    opRows[op]++
    if ($6 == "held") opHeld[op]++
    if (!(op in opWait) || $3 > opWait[op]) { opWait[op] = $3; opBound[op] = $4; opRow[op] = $2 }
    share = $4 > 0 ? $3 / $4 : 0
    if (share > tightest) { tightest = share; tightestRow = $2 }
}
END {
    print "| Row | Waited (ms) | Bound (ms) | CPU (ms) | Result |"
    print "|---|---:|---:|---:|---|"
    for (i = 1; i <= rows; i++) print line[i]
    print ""
    print "| Operation | Rows | Hold | Longest wait (ms) | Its bound (ms) | Row |"
    print "|---|---:|---:|---:|---:|---|"
    for (i = 1; i <= ops; i++) {
        op = order[i]
        printf "| %s | %d | %d | %d | %d | %s |\n", op, opRows[op], opHeld[op], opWait[op], opBound[op], opRow[op]
    }
    print ""
    printf "Rows run: %d; rows that hold: %d.\n", rows, held
    printf "Longest wait: %d ms (%s); closest to its bound: %s at %.0f %% of it.\n",
           longest, longestRow, tightestRow, tightest * 100
}' "$log"

if [[ $status -ne 0 ]]; then
    echo >&2
    grep -E '^\[  FAILED  \]|Failure' "$log" >&2 || true
fi
exit $status
