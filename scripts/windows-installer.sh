#!/usr/bin/env bash
# Makes the Windows installer korvel-configurator-VERSION-setup.exe with NSIS
# from a distribution folder (scripts/windows-dist.sh): every file of the
# folder is installed, and the uninstaller removes exactly those files.
#   bash scripts/windows-installer.sh VERSION [DIST_FOLDER [OUTPUT_EXE]]
# Defaults: build-windows/dist/korvel-configurator-VERSION-windows-x64 and
# build-windows/dist/korvel-configurator-VERSION-setup.exe.
# KORVEL_NSIS_COMPRESSOR=zlib makes it in seconds rather than half a minute
# (for tests; the default is solid LZMA).
set -euo pipefail
cd "$(dirname "$0")/.."
version=$1
root=$(pwd)/build-windows
dist=$(cd "${2:-$root/dist/korvel-configurator-$version-windows-x64}" && pwd)
out=${3:-$root/dist/korvel-configurator-$version-setup.exe}
command -v makensis >/dev/null || { echo "windows-installer: makensis is missing (scripts/install-packages.sh)" >&2; exit 1; }
for f in korvel-configurator.exe korvel-cli.exe libpq.dll licenses/PostgreSQL-COPYRIGHT licenses/OpenSSL-LICENSE.txt; do
    [ -s "$dist/$f" ] || { echo "windows-installer: $dist holds no $f" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The lists of files and folders, deepest last for installing and first for
# removing.  NSIS wants backslashes in the Windows paths.
files=$work/files.nsh
(
    cd "$dist"
    echo '!macro KORVEL_INSTALL_FILES'
    find . -type d | sort | while read -r d; do
        rel=${d#./}; [ "$d" = . ] && rel=
        win=${rel//\//\\}
        echo "  SetOutPath \"\$INSTDIR${win:+\\$win}\""
        find "$d" -maxdepth 1 -type f | sort | while read -r f; do
            echo "  File \"$dist/${f#./}\""
        done
    done
    echo '!macroend'
    echo '!macro KORVEL_UNINSTALL_FILES'
    find . -type f | sort | while read -r f; do
        rel=${f#./}; echo "  Delete \"\$INSTDIR\\${rel//\//\\}\""
    done
    find . -mindepth 1 -type d | sort -r | while read -r d; do
        rel=${d#./}; echo "  RMDir \"\$INSTDIR\\${rel//\//\\}\""
    done
    echo '!macroend'
) > "$files"
size_kb=$(du -sk "$dist" | cut -f1)

log=$work/makensis.log
if ! makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSIZE_KB="$size_kb" -DFILES="$files" \
        ${KORVEL_NSIS_COMPRESSOR:+-DCOMPRESSOR="$KORVEL_NSIS_COMPRESSOR"} \
        -DOUTFILE="$out" "$(pwd)/packaging/windows/korvel-configurator.nsi" >"$log" 2>&1; then
    cat "$log" >&2
    echo "windows-installer: makensis failed" >&2
    exit 1
fi
echo "windows-installer: $out ($(du -sh "$out" | cut -f1))"
