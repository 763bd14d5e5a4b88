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
# Every build goes through ccache: what an earlier run compiled is not
# compiled again.
export CCACHE_BASEDIR=$PWD CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
# Each part says how long the run has taken so far.
part() { echo "== $1 ($((SECONDS / 60)) min $((SECONDS % 60)) s so far)"; }

part "Build and test"
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

part "Four stations on one SQLite file, some killed"
bash scripts/stations-test.sh build

part "The station's view and the line's board in a browser"
bash scripts/station-view-test.sh build
bash scripts/station-view-load-test.sh build

part "The station store on a private PostgreSQL server"
bash scripts/postgresql-test.sh

part "Build and test under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=0 ctest --preset asan -j "$jobs"

part "The production station's threads under ThreadSanitizer"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs" --target korvel-cli cli_tests korvel_simulator
ctest --preset tsan -R 'Cli\.Produce'

part "Debian package: install, run, remove"
bash scripts/package-test.sh

part "Fuzzing: each libFuzzer target for a short while"
bash tools/fuzz/run.sh 20

part "Windows: build, tests under Wine, distribution folder and zip, smoke test, installer and its test"
bash scripts/windows-build.sh
part "All done"
