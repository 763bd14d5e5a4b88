#!/usr/bin/env bash
# Runs the station store's PostgreSQL tests against a private server made for
# them (scripts/postgresql-private.sh), checks that korvel-cli reaches it over
# TLS with the server's certificate checked (scripts/postgresql-tls-check.sh),
# and runs four stations at once with some killed (scripts/stations-test.sh),
# then stops and removes it.  Without the server programs it says so and
# skips.  Needs the default build.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/postgresql-private.sh
source scripts/postgresql-tls-check.sh
trap postgresql_stop EXIT
if ! postgresql_start tls; then
    echo "postgresql-test: skipped"
    exit 0
fi
KORVEL_TEST_POSTGRESQL=$pg_url QT_QPA_PLATFORM=offscreen ctest --preset default -R '/postgresql'
postgresql_tls_check postgresql-test "$pg_dir/tls/ca.crt" "$pg_dir/tls/other-ca.crt" build/cli/korvel-cli
bash scripts/stations-test.sh build "$pg_url"
bash scripts/station-view-test.sh build "$pg_url"
