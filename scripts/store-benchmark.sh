#!/usr/bin/env bash
# How many serial numbers the station store hands out per second to four
# stations drawing at once: from an SQLite file on this machine's disk and
# from a private PostgreSQL server on this machine (Unix socket).  Each
# station draws as for a device: a number reserved, then the device's record
# kept with the number stored; "reserve only" leaves the record out.
#
#   bash scripts/store-benchmark.sh [NUMBERS_PER_STATION]    (default 500)
set -euo pipefail
cd "$(dirname "$0")/.."
each=${1:-500}
stations=4

cmake --preset default >/dev/null
cmake --build --preset default --target korvel-cli korvel_store_draw >/dev/null
cli=build/cli/korvel-cli draw=build/tools/korvel_store_draw

source scripts/postgresql-private.sh
work=$(mktemp -d)
trap 'postgresql_stop; rm -rf "$work"' EXIT

now_ms() { date +%s%3N; }

# store, mode ("" or --reserve-only): prints numbers per second
measure() {
    local store=$1 mode=$2 start pids=() i
    "$cli" serials add 1 $((stations * each)) --store "$store" >/dev/null
    start=$(( $(now_ms) + 1000 ))
    for i in $(seq "$stations"); do
        "$draw" --store "$store" --station "station-$i" --count "$each" --start-at "$start" $mode \
            >"$work/drawn-$i" &
        pids+=($!)
    done
    for i in "${pids[@]}"; do wait "$i"; done
    local elapsed=$(( $(now_ms) - start ))
    local drawn unique
    drawn=$(cat "$work"/drawn-* | wc -l)
    unique=$(sort -u "$work"/drawn-* | wc -l)
    [ "$drawn" -eq "$unique" ] && [ "$drawn" -eq $((stations * each)) ] ||
        { echo "store-benchmark: $drawn numbers drawn, $unique different" >&2; exit 1; }
    awk -v n="$drawn" -v ms="$elapsed" 'BEGIN { printf "%6.0f per second (%d numbers in %.2f s)", n * 1000 / ms, n, ms / 1000 }'
}

echo "Four stations drawing $each numbers each"
printf '%-34s %s\n' "SQLite file, reserve and record:" "$(measure "$work/a.sqlite" "")"
printf '%-34s %s\n' "SQLite file, reserve only:" "$(measure "$work/b.sqlite" --reserve-only)"
if postgresql_start; then
    psql -q -d "$pg_url" -c 'create schema a; create schema b'
    printf '%-34s %s\n' "PostgreSQL, reserve and record:" "$(measure "$pg_url&options=-csearch_path%3Da" "")"
    printf '%-34s %s\n' "PostgreSQL, reserve only:" "$(measure "$pg_url&options=-csearch_path%3Db" --reserve-only)"
else
    echo "PostgreSQL: skipped"
fi
