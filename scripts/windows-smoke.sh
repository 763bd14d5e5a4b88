#!/usr/bin/env bash
# Starts the Windows distribution folder's configurator under Wine with the
# real windows platform on a virtual X display, finds its window by title in
# the display's window list, takes a screenshot, closes the window as a user
# would (Alt+F4) and checks that the settings file was written beside it.
#   bash scripts/windows-smoke.sh DIST_FOLDER
#   bash scripts/windows-smoke.sh PROGRAM_FOLDER VERSION SETTINGS_FILE
# The second form is for an installed copy: the settings file must then be
# SETTINGS_FILE (a Unix path) and nothing beside the program; it is kept.
# WINEPREFIX chooses the prefix (default: the tests' prefix).
set -euo pipefail
dist=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)/build-windows
export WINEPREFIX=${WINEPREFIX:-$root/wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
version=${2:-$(basename "$dist" | sed 's/^korvel-configurator-\(.*\)-windows-x64$/\1/')}
settings=${3:-$dist/korvel-configurator.INI}
title="Конфигуратор KORVEL v$version"
shot=${KORVEL_SMOKE_SCREENSHOT:-$root/dist/smoke-screenshot.png}

display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
app=
finish() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
    kill "$xvfb" 2>/dev/null || true
}
trap finish EXIT
export DISPLAY=$display
sleep 1

# --version answers without a window, into a pipe as into a console.
for program in korvel-configurator korvel-cli; do
    answer=$(cd "$dist" && env -u WINEPATH timeout 60 wine "./$program.exe" --version 2>/dev/null | tr -d '\r')
    case "$answer" in
        *" $version") echo "windows-smoke: $program.exe --version: $answer" ;;
        *) echo "windows-smoke: $program.exe --version answered \"$answer\"" >&2; exit 1 ;;
    esac
done

rm -f "$settings" "$dist/korvel-configurator.INI"
# Nothing from Linux may leak in: no Qt variables, no WINEPATH; the folder
# alone must be enough.
(cd "$dist" && env -u WINEPATH timeout 120 wine ./korvel-configurator.exe) >/dev/null 2>&1 &
app=$!

window=
for _ in $(seq 60); do
    window=$(xdotool search --name "^$title\$" 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
    sleep 1
done
if [ -z "$window" ]; then
    echo "windows-smoke: no window titled \"$title\" appeared; windows on the display:" >&2
    xwininfo -root -tree 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) "\(.*\)".*/\2/p' | sort -u >&2
    exit 1
fi
sleep 2  # let it paint
import -window root "$shot"
echo "windows-smoke: window \"$(xdotool getwindowname "$window")\" shown; screenshot $shot"

xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key --window "$window" alt+F4
for _ in $(seq 30); do
    kill -0 "$app" 2>/dev/null || break
    sleep 1
done
if kill -0 "$app" 2>/dev/null; then
    echo "windows-smoke: the window did not close on Alt+F4" >&2
    exit 1
fi
app=
if [ ! -s "$settings" ]; then
    echo "windows-smoke: closing did not write $settings" >&2
    exit 1
fi
if [ -z "${3:-}" ]; then
    rm -f "$settings"
    echo "windows-smoke: closed with Alt+F4; settings written beside the program"
elif [ -e "$dist/korvel-configurator.INI" ]; then
    echo "windows-smoke: the installed copy wrote korvel-configurator.INI beside itself as well" >&2
    exit 1
else
    echo "windows-smoke: closed with Alt+F4; settings written to $settings, none beside the program"
fi
