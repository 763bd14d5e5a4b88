#!/usr/bin/env bash
# Runs the station service's command line as systemd starts it: the unit's
# Environment= defaults, then the instance's file (a sample made from the
# packaged station-line1.conf with this test's folders), then ExecStart= with
# %i for the instance, ${VAR} as one word and $VAR split at blanks; its
# output goes to files, not a terminal, as into the journal.  Three simulated
# devices appear in the watched folder one after another: each must be
# prepared and recorded under the instance's name, the lines must be plain
# (no terminal redraws), and SIGINT (the unit's KillSignal) must end the
# station with every device finished.
#   bash scripts/station-service-test.sh [BUILD_DIR] [UNIT] [CONF] [CLI] [SIMULATOR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
unit=${2:-packaging/korvel-station@.service}
conf=${3:-packaging/station-line1.conf}
cli=${4:-$build/cli/korvel-cli}
sim=${5:-$build/tools/korvel_simulator}
instance=line9
devices=3
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

mkdir -p "$work/fw" "$work/watch"
head -c 1024 /dev/urandom > "$work/fw/dwl.dwl"
head -c 2048 /dev/urandom > "$work/fw/firmware_Q2687RD.dwl"
head -c 1024 /dev/urandom > "$work/fw/KORVEL.dwl"
"$cli" serials add 100 199 --store "$work/station.sqlite" >/dev/null
sed -e "s|^FIRMWARE=.*|FIRMWARE=$work/fw|" -e "s|^STORE=.*|STORE=$work/station.sqlite|" \
    -e "s|^#WATCH=.*|WATCH=$work/watch|" -e "s|^#OPTIONS=.*|OPTIONS=--record $work/records.csv|" \
    "$conf" > "$work/station-$instance.conf"

# The command line, expanded the way systemd expands it (NUL between words).
python3 - "$unit" "$work/station-$instance.conf" "$instance" "$cli" > "$work/argv" <<'EOF'
import re, shlex, sys
unit, conf, instance, cli = sys.argv[1:]
env, start, section = {}, None, None
for raw in open(unit):
    line = raw.strip()
    if line.startswith("["):
        section = line
    if section != "[Service]" or "=" not in line or line.startswith("#"):
        continue
    key, value = line.split("=", 1)
    value = value.replace("%i", instance)
    if key == "Environment":
        env.update(w.split("=", 1) for w in shlex.split(value))
    elif key == "EnvironmentFile":
        for l in open(conf):
            l = l.strip()
            if l and not l.startswith("#"):
                k, v = l.split("=", 1)
                env[k] = " ".join(shlex.split(v))
    elif key == "ExecStart":
        start = value
assert start, "no ExecStart= in " + unit
argv = []
for word in shlex.split(start):
    whole = re.fullmatch(r"\$([A-Za-z_][A-Za-z0-9_]*)", word)
    if whole:
        argv += env.get(whole.group(1), "").split()
    else:
        argv.append(re.sub(r"\$\{([A-Za-z_][A-Za-z0-9_]*)\}", lambda m: env.get(m.group(1), ""), word))
assert argv[0] == "/usr/bin/korvel-cli", argv[0]
argv[0] = cli
sys.stdout.write("\0".join(argv) + "\0")
EOF
mapfile -d '' argv < "$work/argv"
echo "station-service-test: ${argv[*]}"
"${argv[@]}" > "$work/out" 2> "$work/err" < /dev/null &
station=$!

records() { "$cli" record export --jsonl --store "$work/station.sqlite" 2>/dev/null | grep -c . || true; }
for n in $(seq "$devices"); do
  "$sim" --restart-ms 100 --link "$work/watch/device-$n" >/dev/null 2>&1 &
  sleep 1
done
for _ in $(seq 600); do [ "$(records)" -ge "$devices" ] && break; sleep 0.2; done
kill -INT "$station"
code=0
wait "$station" || code=$?

fail() { echo "station-service-test: $*" >&2; sed 's/^/  out: /' "$work/out" >&2; sed 's/^/  err: /' "$work/err" >&2; exit 1; }
[ "$code" -eq 0 ] || fail "the station ended with $code after SIGINT"
[ "$(records)" -eq "$devices" ] || fail "$(records) of $devices devices recorded"
if LC_ALL=C grep -q $'[\r\033]' "$work/out" "$work/err"; then fail "terminal controls in the output"; fi
"$cli" record export --jsonl --store "$work/station.sqlite" | python3 -c '
import json, sys
rows = [json.loads(l) for l in sys.stdin]
instance, devices = sys.argv[1], int(sys.argv[2])
assert len(rows) == devices, rows
for r in rows:
    assert r["station"] == instance, r["station"]
    assert r["serial_state"] == "stored" and not r.get("failure"), r
' "$instance" "$devices" || fail "the records are not those of the service's station, all stored"
rows=$(cat "$work/records.csv" 2>/dev/null | grep -c . || true)
[ "$rows" -eq $((devices + 1)) ] || fail "the --record file from OPTIONS= lacks rows"
grep -q "готово, номер" "$work/out" || fail "no device's line says it is done"
echo "station-service-test: $devices devices prepared by the unit's command line as station $instance, plain lines"
