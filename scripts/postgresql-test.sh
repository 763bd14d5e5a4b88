#!/usr/bin/env bash
# Runs the station store's PostgreSQL tests against a private server made for
# them (scripts/postgresql-private.sh), and four stations at once with some
# killed (scripts/stations-test.sh), then stops and removes it.  Without
# the server programs it says so and skips.  Needs the default build.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/postgresql-private.sh
trap postgresql_stop EXIT
if ! postgresql_start; then
    echo "postgresql-test: skipped"
    exit 0
fi
KORVEL_TEST_POSTGRESQL=$pg_url QT_QPA_PLATFORM=offscreen ctest --preset default -R '/postgresql'
bash scripts/stations-test.sh build "$pg_url"
bash scripts/station-view-test.sh build "$pg_url"
