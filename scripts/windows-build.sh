#!/usr/bin/env bash
# Builds the whole program and its tests for 64-bit Windows with the shared
# Qt for mingw-w64, runs the tests under Wine (two of them through COM ports
# whose other ends are device simulators), runs korvel-cli.exe as a factory
# station under Wine (scripts/windows-station-test.sh: the store on a
# PostgreSQL server over TLS, beside Linux stations; watch mode), and makes
# the distribution folder and zip, which a smoke test starts under Wine on a
# virtual X display.
#
#   bash scripts/windows-build.sh            build, test, package, smoke test
#   KORVEL_QT_MINGW_DIR=DIR  where qt6-mingw.tar.xz and its recipe live
#                            (default: ../shared/toolchains/qt6-mingw)
#   KORVEL_SQLITE_MINGW_DIR=DIR  where sqlite3-3.40.1-mingw64.tar.xz and its
#                            recipe live (default: ../shared/toolchains/sqlite-mingw)
#   KORVEL_LIBPQ_MINGW_DIR=DIR  where libpq-15.18-mingw64.tar.xz (PostgreSQL's
#                            client library with TLS) and its recipe live
#                            (default: ../shared/toolchains/libpq-mingw)
#
# Without that folder only the Qt-free serial layer is cross-built.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$(pwd)
root=$src/build-windows
qtdir=${KORVEL_QT_MINGW_DIR:-}
if [ -z "$qtdir" ]; then
    for candidate in "$src/../shared/toolchains/qt6-mingw" /work/shared/toolchains/qt6-mingw; do
        [ -f "$candidate/qt6-mingw.tar.xz" ] && { qtdir=$candidate; break; }
    done
fi
sqlitedir=${KORVEL_SQLITE_MINGW_DIR:-}
if [ -z "$sqlitedir" ]; then
    for candidate in "$src/../shared/toolchains/sqlite-mingw" /work/shared/toolchains/sqlite-mingw; do
        [ -f "$candidate/sqlite3-3.40.1-mingw64.tar.xz" ] && { sqlitedir=$candidate; break; }
    done
fi
libpqdir=${KORVEL_LIBPQ_MINGW_DIR:-}
if [ -z "$libpqdir" ]; then
    for candidate in "$src/../shared/toolchains/libpq-mingw" /work/shared/toolchains/libpq-mingw; do
        [ -f "$candidate/libpq-15.18-mingw64.tar.xz" ] && { libpqdir=$candidate; break; }
    done
fi
version=$(sed -n 's/^project(korvel_configurator VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

if [ -z "$qtdir" ] || [ ! -f "$qtdir/qt6-mingw.tar.xz" ]; then
    echo "windows-build: no Qt for Windows (qt6-mingw.tar.xz) found: skipping the Windows build of the program;" \
         "cross-building the serial layer only"
    exec bash scripts/cross-build-windows.sh
fi
for tool in x86_64-w64-mingw32-g++-posix wine Xvfb; do
    command -v "$tool" >/dev/null || { echo "windows-build: $tool is missing (scripts/install-packages.sh)" >&2; exit 1; }
done

export WINEPREFIX=$root/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wineserver -k >/dev/null 2>&1 || true
}
trap cleanup EXIT

echo "-- Qt, SQLite, libpq and GoogleTest for Windows"
mkdir -p "$root/sdk"
unpack_checked() {  # dir archive name: unpacks dir/archive into sdk/name once its checksum is right
    local dir=$1 archive=$2 name=$3 sum
    sum=$(cut -d' ' -f1 "$dir/$archive.sha256")
    if [ "$(cat "$root/sdk/$name.sha256" 2>/dev/null)" != "$sum" ]; then
        (cd "$dir" && sha256sum --quiet -c "$archive.sha256")
        rm -rf "${root:?}/sdk/$name"
        tar -xJf "$dir/$archive" -C "$root/sdk"
        echo "$sum" > "$root/sdk/$name.sha256"
    fi
}
# The station store's SQLite, linked statically into korvel-cli.exe, and
# PostgreSQL's client library (libpq.dll, with TLS), shipped beside it.
if [ -z "$sqlitedir" ]; then
    echo "windows-build: no SQLite for Windows (sqlite3-3.40.1-mingw64.tar.xz) found; set KORVEL_SQLITE_MINGW_DIR" >&2
    exit 1
fi
if [ -z "$libpqdir" ]; then
    echo "windows-build: no libpq for Windows (libpq-15.18-mingw64.tar.xz) found; set KORVEL_LIBPQ_MINGW_DIR" >&2
    exit 1
fi
unpack_checked "$sqlitedir" sqlite3-3.40.1-mingw64.tar.xz sqlite-mingw
unpack_checked "$libpqdir" libpq-15.18-mingw64.tar.xz libpq-mingw
sum=$(cut -d' ' -f1 "$qtdir/qt6-mingw.tar.xz.sha256" 2>/dev/null || sha256sum "$qtdir/qt6-mingw.tar.xz" | cut -d' ' -f1)
if [ "$(cat "$root/sdk/qt6-mingw.sha256" 2>/dev/null)" != "$sum" ]; then
    rm -rf "$root/sdk/qt6-mingw"
    tar -xJf "$qtdir/qt6-mingw.tar.xz" -C "$root/sdk"
    echo "$sum" > "$root/sdk/qt6-mingw.sha256"
fi
if [ ! -f "$root/sdk/gtest-mingw/lib/libgtest.a" ]; then
    cmake -G Ninja -S /usr/src/googletest -B "$root/sdk/gtest-build" \
        -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$root/sdk/gtest-mingw" >/dev/null
    cmake --build "$root/sdk/gtest-build" -j "$(nproc)" >/dev/null
    cmake --install "$root/sdk/gtest-build" >/dev/null
fi

echo "-- Build"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)"

echo "-- Wine prefix"
# The fonts the offscreen platform draws with: Liberation Sans Narrow (the
# window's fallback face) and Tahoma, as on the Linux build.
mkdir -p "$root/fonts" "$root/ports"
cp -u /usr/share/fonts/truetype/liberation/LiberationSans*.ttf /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf \
      /usr/share/wine/fonts/tahoma*.ttf "$root/fonts/"
recipe="ports COM5-COM7, Russian dates, Tahoma"   # change it to remake the prefix
# Every Wine command here is checked: one that fails is shown with Wine's own
# output (kept in wine-prefix.log), and the prefix is then made once more from
# scratch.  A half-made prefix would otherwise fail every test later, or stop
# the script with nothing but an exit status.
source scripts/wine-prefix.sh
wine_who=windows-build wine_log=$root/wine-prefix.log
ready_test_prefix() {
    if [ "$(cat "$WINEPREFIX/korvel-recipe" 2>/dev/null)" != "$recipe" ]; then
        wineserver -k >/dev/null 2>&1 || true
        rm -rf "$WINEPREFIX"
        wine_step env DISPLAY= timeout 300 wine wineboot -i || return 1
        cp /usr/share/wine/fonts/tahoma*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" || return 1
        # Three COM ports whose Unix ends are links to the simulators'
        # terminals, and a Russian user's regional settings (day.month.year,
        # the device's date order).
        local n key value
        for n in 5 6 7; do
            wine_step wine reg add 'HKLM\Software\Wine\Ports' /v COM$n /t REG_SZ /d "$root/ports/com$n" /f || return 1
        done
        for key in sShortDate=dd.MM.yyyy sDate=. sTimeFormat=H:mm:ss sShortTime=H:mm; do
            value=${key#*=} key=${key%%=*}
            wine_step wine reg add 'HKCU\Control Panel\International' /v "$key" /t REG_SZ /d "$value" /f || return 1
        done
        wine_step wineserver -w || return 1
        echo "$recipe" > "$WINEPREFIX/korvel-recipe"
    fi
    # One server for the whole run: each test starts in 0.3 s, not 3 s.
    wineserver -k >/dev/null 2>&1 || true
    wine_step wineserver -p600 || return 1
    # The first program that draws in a new prefix has Wine scan every font
    # of the system (a minute or two); do it once here rather than inside a
    # test's time limit.
    wine_step env KORVEL_WIN_TIMEOUT=900 scripts/wine-run.sh "$root/build/tests/device_link_serial_tests.exe" \
        --gtest_list_tests || return 1
}
wine_prefix_twice ready_test_prefix || exit 1

echo "-- Device simulators behind COM5, COM6 and COM7"
simulator=$src/build/tools/korvel_simulator
if [ ! -x "$simulator" ] || [ ! -x "$src/build/cli/korvel-cli" ]; then
    cmake --preset default >/dev/null
    cmake --build --preset default --target korvel_simulator korvel-cli
fi
rm -rf "$root/ports/images"; mkdir -p "$root/ports/images"
start_simulator() {  # link, extra options...
    local link=$1; shift
    rm -f "$link" "$link.ready"
    "$simulator" --link "$link" --ready-file "$link.ready" "$@" >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do [ -s "$link.ready" ] && return 0; sleep 0.1; done
    echo "windows-build: the simulator for $link did not come up" >&2; exit 1
}
start_simulator "$root/ports/com5"
start_simulator "$root/ports/com6" --restart-ms 300 --image-dir "$root/ports/images"
start_simulator "$root/ports/com7"
com7_pid=${pids[-1]}

echo "-- Tests under Wine"
export KORVEL_TEST_COM_CONFIG=COM5 KORVEL_TEST_COM_FIRMWARE=COM6 KORVEL_TEST_COM_TIMING=COM7
export KORVEL_TEST_IMAGE_DIR="Z:${root//\//\\}\\ports\\images"
ctest --preset windows -j "$(nproc)"

echo "-- The production station under Wine: three runs with --serial through COM6, three with --record through COM7"
# Each run is a process of its own, as an operator starts it.  A run that
# faults at its end may still exit 0 with its record kept, so each must also
# print its table with the device's number stored and every link ok, and
# Wine must not have reported an unhandled exception.  The heap fills freed
# blocks (warn+heap): a thread reading freed memory as it ends then faults
# every time, not only when the heap has reused the block.
# COM7's simulator makes way for one that restarts as quickly as COM6's, so
# that both series run side by side.
kill "$com7_pid" 2>/dev/null || true
start_simulator "$root/ports/com7" --restart-ms 300
station=$root/station
rm -rf "$station" && mkdir -p "$station/fw" "$station/serial" "$station/record"
head -c 1000 /dev/urandom > "$station/fw/dwl.dwl"
head -c 2000 /dev/urandom > "$station/fw/firmware_Q2687RD.dwl"
head -c 1500 /dev/urandom > "$station/fw/KORVEL.dwl"
cli=$root/build/cli/korvel-cli.exe
winstation="Z:${station//\//\\}"
station_failed() {  # series, what went wrong, files to show...
    local series=$1 what=$2 file; shift 2
    echo "windows-build: korvel-cli.exe produce --$series under Wine: $what" >&2
    for file in "$@"; do echo "---- $file" >&2; cat "$file" >&2; done
    return 1
}
produce_series() {  # serial|record COMn: three devices, one run each, on a store of its own
    local series=$1 port=$2 dir=$station/$1 store csv i number run status
    store="$winstation\\$series\\station.sqlite" csv="$winstation\\record\\records.csv"
    bash scripts/wine-run.sh "$cli" serials add 500 509 --store "$store" > "$dir/serials.txt" 2>&1 ||
        { station_failed "$series" "serials add failed" "$dir/serials.txt"; return 1; }
    for i in 1 2 3; do
        run=$dir/run$i status=0
        if [ "$series" = serial ]; then number=0000070$i extra=(--serial "70$i")
        else number=0000050$((i - 1)) extra=(--record "$csv"); fi
        WINEDEBUG=-all,warn+heap bash scripts/wine-run.sh "$cli" produce --folder "$winstation\\fw" --store "$store" \
            --station wine --port "$port" "${extra[@]}" > "$run.out" 2> "$run.err" || status=$?
        if grep -q "Unhandled" "$run.err"; then
            station_failed "$series" "run $i of 3 crashed (exit status $status)" "$run.err" "$run.out"; return 1
        fi
        [ "$status" -eq 0 ] || { station_failed "$series" "run $i of 3 exited with $status" "$run.err" "$run.out"; return 1; }
        tr -d '\r' < "$run.out" | grep -Eq "^$port +Q2687RD +.* $number +stored +identify=ok files=ok delete=ok boot=ok firmware=ok application=ok start=ok serial=ok$" ||
            { station_failed "$series" "run $i of 3 printed no table row with $number stored" "$run.out" "$run.err"; return 1; }
        if [ "$series" = record ] && { [ "$(wc -l < "$dir/records.csv")" -ne $((i + 1)) ] ||
                                       ! tail -n 1 "$dir/records.csv" | grep -q "^wine;$port;.*;$number;stored;"; }; then
            station_failed "$series" "run $i of 3 did not add its row with $number stored" "$dir/records.csv"; return 1
        fi
    done
    bash scripts/wine-run.sh "$cli" record export --csv --store "$store" > "$dir/export.csv" 2>&1
    for i in 1 2 3; do
        [ "$series" = serial ] && number=0000070$i || number=0000050$((i - 1))
        grep -q ";$port;.*;$number;stored;" "$dir/export.csv" ||
            { station_failed "$series" "the store has no record of $number stored" "$dir/export.csv"; return 1; }
    done
    echo "windows-build: korvel-cli.exe produce --$series prepared three devices through $port under Wine, each run" \
         "ending with its table; numbers stored and recorded"
}
produce_series serial COM6 & serial_series=$!
produce_series record COM7 & record_series=$!
series_ok=0
wait "$serial_series" || series_ok=1
wait "$record_series" || series_ok=1
[ "$series_ok" -eq 0 ] || exit 1

echo "-- korvel-cli.exe as a station: PostgreSQL over TLS, among Linux stations, and watching COM ports come and go"
bash scripts/windows-station-test.sh

echo "-- Distribution folder and zip"
bash scripts/windows-dist.sh "$version"

echo "-- Smoke test: the unpacked zip starts on Wine's own display"
name=korvel-configurator-$version-windows-x64
rm -rf "$root/dist/unpacked" && mkdir -p "$root/dist/unpacked"
(cd "$root/dist/unpacked" && python3 -m zipfile -e "$root/dist/$name.zip" .)
bash scripts/windows-smoke.sh "$root/dist/unpacked/$name"

echo "-- Installer"
# The icon the programs and the installer carry is kept in the repository;
# it must still show packaging/korvel-configurator.svg.
bash packaging/windows/make-icon.sh "$root/icon-check.ico"
if ! compare -metric AE -fuzz 3% "packaging/windows/korvel-configurator.ico[5]" "$root/icon-check.ico[5]" null: 2>/dev/null; then
    echo "windows-build: packaging/windows/korvel-configurator.ico no longer shows packaging/korvel-configurator.svg;" \
         "remake it with bash packaging/windows/make-icon.sh" >&2
    exit 1
fi
bash scripts/windows-installer.sh "$version"

echo "-- Installer test: a fresh Wine prefix, silent install, upgrade, program start, uninstall"
bash scripts/windows-installer-test.sh "$version"
