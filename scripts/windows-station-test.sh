#!/usr/bin/env bash
# korvel-cli.exe as a factory station under Wine, after scripts/windows-build.sh
# has built it and made its Wine prefix:
#   1. the store on a private PostgreSQL server over TLS (TCP on 127.0.0.1:
#      Wine has no Unix sockets): sslmode=verify-full with the server's CA
#      opens it, another CA or a wrong host name is refused with the reason
#      (scripts/postgresql-tls-check.sh);
#   2. four stations on that server, the last of them korvel-cli.exe under
#      Wine, some killed now and then (scripts/stations-test.sh);
#   3. station --watch: COM ports appear in the registry's serial-port map,
#      mapped to device simulators as a plugged adapter's would, and go again
#      (scripts/windows-watch-test.sh).
# Without the PostgreSQL server programs only 3 runs.  Needs the default
# build's simulator and korvel-cli.
#   bash scripts/windows-station-test.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)/build-windows
export WINEPREFIX=$root/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cli=$root/build/cli/korvel-cli.exe
[ -f "$cli" ] || { echo "windows-station-test: no $cli (bash scripts/windows-build.sh)" >&2; exit 1; }
source scripts/postgresql-private.sh
source scripts/postgresql-tls-check.sh
trap postgresql_stop EXIT

if postgresql_start tls; then
    tls=$pg_dir/tls
    postgresql_tls_check windows-station-test "Z:$tls/ca.crt" "Z:$tls/other-ca.crt" bash scripts/wine-run.sh "$cli"
    KORVEL_STATIONS_WINE_CLI=$cli KORVEL_STATIONS_WINE_STORE="$pg_tls_url&sslrootcert=Z:$tls/ca.crt" \
        bash scripts/stations-test.sh build "$pg_tls_url&sslrootcert=$tls/ca.crt"
    postgresql_stop
else
    echo "windows-station-test: no PostgreSQL server; the store over TLS and the stations on it are skipped"
fi
bash scripts/windows-watch-test.sh
