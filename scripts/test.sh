#!/usr/bin/env bash
# Installs what is needed, builds and runs every test: the normal build, the
# station store's tests on a private PostgreSQL server, the build under
# AddressSanitizer + UndefinedBehaviorSanitizer, a short fuzzing run, and the
# Windows build with its tests, distribution and installer under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-packages.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== Build and test"
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

echo "== Four stations on one SQLite file, some killed"
bash scripts/stations-test.sh build

echo "== The station's view and the line's board in a browser"
bash scripts/station-view-test.sh build

echo "== The station store on a private PostgreSQL server"
bash scripts/postgresql-test.sh

echo "== Build and test under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=0 ctest --preset asan -j "$jobs"

echo "== The production station's threads under ThreadSanitizer"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs" --target korvel-cli cli_tests korvel_simulator
ctest --preset tsan -R 'Cli\.Produce'

echo "== Debian package: install, run, remove"
bash scripts/package-test.sh

echo "== Fuzzing: each libFuzzer target for a short while"
bash tools/fuzz/run.sh 20

echo "== Windows: build, tests under Wine, distribution folder and zip, smoke test, installer and its test"
bash scripts/windows-build.sh
