#!/usr/bin/env bash
# Tests the Windows installer under Wine in a Wine prefix of its own, made
# fresh for each run, as a factory roll-out uses it (silently):
#   1. an older version (the same folder under an older version number, with
#      one file more) installs per machine; files, Start-menu entries and the
#      uninstall key are checked;
#   2. the installed program starts on the real windows platform on a virtual
#      display, shows its title, closes, and its settings are in
#      %APPDATA%\KORVEL, not in the program folder (Wine lets the prefix's user
#      write to Program Files, so only the installer's mark keeps them out);
#   3. this version installs over it: the older one's files are gone, its own
#      are there, the key shows the new version, the settings are unchanged;
#   4. the silent uninstaller leaves no program folder, entry or key, and the
#      settings;
#   5. a per-user installation (/CurrentUser) goes to
#      %LOCALAPPDATA%\Programs\KORVEL under HKCU, and its uninstaller, asked
#      with /REMOVESETTINGS, removes the settings too.
#   bash scripts/windows-installer-test.sh VERSION
# The installer and the folder it was made from are expected in
# build-windows/dist (scripts/windows-dist.sh, scripts/windows-installer.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
version=$1
root=$(pwd)/build-windows
dist=$root/dist/korvel-configurator-$version-windows-x64
setup=$root/dist/korvel-configurator-$version-setup.exe
work=$root/installer-test
old_version=0.9.0.1
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEPATH DISPLAY
for f in "$setup" "$dist/korvel-configurator.exe"; do
    [ -e "$f" ] || { echo "windows-installer-test: $f is missing" >&2; exit 1; }
done
started=$SECONDS
fail() { echo "windows-installer-test: $*" >&2; exit 1; }
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

echo "windows-installer-test: a fresh Wine prefix in $WINEPREFIX"
mkdir -p "$work"
source scripts/wine-prefix.sh
wine_who=windows-installer-test wine_log=$work/wine.log
fresh_prefix() {
    rm -rf "$WINEPREFIX"
    wine_step env DISPLAY= timeout 300 wine wineboot -i || return 1
    wine_step wineserver -w
}
wine_prefix_twice fresh_prefix || exit 1

# Windows' own folders in this prefix, as Unix paths.
folders=$(wine cmd /c 'echo %ProgramFiles%^|%APPDATA%^|%LOCALAPPDATA%^|%ProgramData%' | tr -d '\r')
IFS='|' read -r program_files appdata local_appdata program_data <<<"$folders"
unix() { winepath -u "$1" 2>/dev/null | tr -d '\r'; }
machine_dir=$(unix "$program_files\\KORVEL")
user_dir=$(unix "$local_appdata\\Programs\\KORVEL")
settings=$(unix "$appdata\\KORVEL")/korvel-configurator.INI
machine_menu=$(unix "$program_data\\Microsoft\\Windows\\Start Menu\\Programs")
user_menu=$(unix "$appdata\\Microsoft\\Windows\\Start Menu\\Programs")
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\KORVEL'

# One Wine command, waited for to its last process (an uninstaller copies
# itself away and returns at once); a failure shows Wine's output.
run() {
    wine_step timeout 300 "$@" || fail "the step above failed"
    wine_step timeout 120 wineserver -w || fail "Wine did not come to rest"
}
# The uninstall key under HKLM or HKCU, read into a file (reg query would
# give the Russian name in the console's code page, as question marks).
export_key() {  # hive
    rm -f "$work/key-$1.reg"
    wine reg export "$1\\$uninstall_key" "$(winepath -w "$work/key-$1.reg")" /y >/dev/null 2>&1 || true
}
# A value of the key last exported: a string as it stands, a number as 0x...
key_value() {  # hive name
    [ -f "$work/key-$1.reg" ] || return 0
    iconv -f UTF-16 -t UTF-8 "$work/key-$1.reg" | tr -d '\r' | sed -n "s/^\"$2\"=//p" |
        sed -e 's/^dword:/0x/' -e 's/^"\(.*\)"$/\1/' -e 's/\\"/"/g' -e 's/\\\\/\\/g'
}
# Runs the uninstall key's QuietUninstallString, with more switches.
uninstall() {  # hive switches...
    local hive=$1 line exe; shift
    export_key "$hive"
    line=$(key_value "$hive" QuietUninstallString)
    exe=${line#\"}; exe=${exe%%\"*}
    # shellcheck disable=SC2086  # the switches after the quoted program
    run wine "$exe" ${line##*\"} "$@"
}
# The installed folder holds exactly the distribution folder, the installer's
# mark and the uninstaller.
check_files() {  # distribution-folder installed-folder
    local extra
    [ -d "$2" ] || fail "no program folder $2"
    extra=$(diff -rq "$1" "$2" | grep -v -x -e "Only in $2: korvel-installed.txt" -e "Only in $2: uninstall.exe" || true)
    [ -z "$extra" ] || fail "the program folder differs from the distribution folder:"$'\n'"$extra"
    [ -f "$2/korvel-installed.txt" ] || fail "the installer's mark is missing in $2"
    [ -f "$2/uninstall.exe" ] || fail "the uninstaller is missing in $2"
}
# Both Start-menu entries, pointing at the installed program, the second
# with -p.
check_menu() {  # menu-folder
    local plain="$1/Конфигуратор KORVEL.lnk" production="$1/Конфигуратор KORVEL — производство.lnk" name
    for name in "$plain" "$production"; do
        [ -f "$name" ] || fail "no Start-menu entry \"$name\"; the folder holds: $(find "$1" | tr '\n' ' ')"
    done
    strings -el "$plain" | grep -q 'korvel-configurator\.exe$' || fail "\"$plain\" does not start korvel-configurator.exe"
    strings -el -n 2 "$production" | grep -qx -- '-p' || fail "\"$production\" does not pass -p"
    ! strings -el -n 2 "$plain" | grep -qx -- '-p' || fail "\"$plain\" passes -p"
}
check_key() {  # hive version folder
    local name
    export_key "$1"
    [ "$(key_value "$1" DisplayName)" = "Конфигуратор KORVEL" ] || fail "$1 DisplayName: \"$(key_value "$1" DisplayName)\""
    [ "$(key_value "$1" DisplayVersion)" = "$2" ] || fail "$1 DisplayVersion: \"$(key_value "$1" DisplayVersion)\", not $2"
    [ -n "$(key_value "$1" Publisher)" ] || fail "$1 has no Publisher"
    [ $(( $(key_value "$1" EstimatedSize) )) -gt 1000 ] || fail "$1 EstimatedSize: \"$(key_value "$1" EstimatedSize)\""
    name=$(unix "$(key_value "$1" InstallLocation)")
    [ "$name" = "$3" ] || fail "$1 InstallLocation is \"$name\", not $3"
    for name in UninstallString QuietUninstallString; do
        key_value "$1" "$name" | grep -q 'uninstall\.exe' || fail "$1 $name: \"$(key_value "$1" "$name")\""
    done
}
check_gone() {  # hive folder menu-folder
    local name
    [ ! -e "$2" ] || fail "the uninstaller left $2: $(cd "$2" && find . | tr '\n' ' ')"
    for name in "$3/Конфигуратор KORVEL.lnk" "$3/Конфигуратор KORVEL — производство.lnk"; do
        [ ! -e "$name" ] || fail "the uninstaller left \"$name\""
    done
    ! wine reg query "$1\\$uninstall_key" >/dev/null 2>&1 || fail "the uninstaller left the key $1\\$uninstall_key"
}

echo "windows-installer-test: an older version $old_version, with one file more, installed silently"
old_dist=$work/old/korvel-configurator-$old_version-windows-x64
rm -rf "$work/old" && mkdir -p "$work/old"
cp -r "$dist" "$old_dist"
printf 'only in %s\r\n' "$old_version" > "$old_dist/korvel-old-notes.txt"
KORVEL_NSIS_COMPRESSOR=zlib bash scripts/windows-installer.sh "$old_version" "$old_dist" "$work/old/setup.exe" >/dev/null
run wine "$work/old/setup.exe" /S
check_files "$old_dist" "$machine_dir"
check_menu "$machine_menu"
check_key HKLM "$old_version" "$machine_dir"

echo "windows-installer-test: the installed program starts and keeps its settings in %APPDATA%\\KORVEL"
# The first program that draws in a new prefix waits for Wine's font scan.
wine_step timeout 600 wine "$machine_dir/korvel-configurator.exe" --version || fail "the installed program did not start"
KORVEL_SMOKE_SCREENSHOT=$work/installed-screenshot.png \
    bash scripts/windows-smoke.sh "$machine_dir" "$version" "$settings"
printf '[Installer]\r\nKEEP=%s\r\n' "$old_version" >> "$settings"
cp "$settings" "$work/settings-before"

echo "windows-installer-test: $version installed silently over $old_version"
run wine "$setup" /S
check_files "$dist" "$machine_dir"
check_menu "$machine_menu"
check_key HKLM "$version" "$machine_dir"
cmp -s "$settings" "$work/settings-before" || fail "the upgrade changed or removed $settings"

echo "windows-installer-test: silent uninstall"
uninstall HKLM
check_gone HKLM "$machine_dir" "$machine_menu"
cmp -s "$settings" "$work/settings-before" || fail "the silent uninstall changed or removed $settings"

echo "windows-installer-test: per-user installation, uninstalled with its settings"
run wine "$setup" /S /CurrentUser
check_files "$dist" "$user_dir"
check_menu "$user_menu"
check_key HKCU "$version" "$user_dir"
! wine reg query "HKLM\\$uninstall_key" >/dev/null 2>&1 || fail "the per-user installation wrote HKLM\\$uninstall_key"
uninstall HKCU /REMOVESETTINGS
check_gone HKCU "$user_dir" "$user_menu"
[ ! -e "$(dirname "$settings")" ] || fail "/REMOVESETTINGS left $(dirname "$settings")"

echo "windows-installer-test: passed in $((SECONDS - started)) s"
