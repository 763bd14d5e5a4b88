#!/usr/bin/env bash
# Runs a Windows program of the cross-build under Wine: ctest uses it as the
# emulator for every test program.  The Wine prefix, the Qt and runtime DLLs
# and the fonts live in the Windows build folder; the prefix is made by
# scripts/windows-build.sh.
#   KORVEL_WIN_ROOT   the Windows build folder (default: build-windows)
#   KORVEL_WIN_PLATFORM  Qt platform for window programs (default: offscreen)
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
root=${KORVEL_WIN_ROOT:-$here/build-windows}

export WINEPREFIX=${WINEPREFIX:-$root/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
winpath() { echo "Z:${1//\//\\}"; }
gcc_dlls=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
export WINEPATH="$(winpath "$root/sdk/qt6-mingw/bin");$(winpath "$root/sdk/libpq-mingw/bin");$(winpath "$gcc_dlls");$(winpath /usr/x86_64-w64-mingw32/lib)"
# Wine passes no QT_* variable on; the WINE prefix is stripped on the way in.
export WINEQT_QPA_PLATFORM=${KORVEL_WIN_PLATFORM:-offscreen}
export WINEQT_QPA_FONTDIR=${WINEQT_QPA_FONTDIR:-$(winpath "$root/fonts")}
export WINEQT_FORCE_STDERR_LOGGING=1
unset DISPLAY
[ "$WINEQT_QPA_PLATFORM" = offscreen ] || export DISPLAY=${KORVEL_WIN_DISPLAY:-:0}

# A window program on the windows platform without a display would hang for
# ever, so nothing runs without a bound.
exec timeout --kill-after=10 "${KORVEL_WIN_TIMEOUT:-600}" wine "$@"
