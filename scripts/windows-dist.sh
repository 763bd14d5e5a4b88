#!/usr/bin/env bash
# Makes the Windows distribution folder from the Windows build: the programs,
# the Qt libraries and plugins, PostgreSQL's client library (libpq.dll, with
# OpenSSL linked into it) and its licence texts, and the mingw runtime; what a
# user copies to a Windows PC and starts.  Also zips it, named with the
# version.
#   bash scripts/windows-dist.sh VERSION
set -euo pipefail
cd "$(dirname "$0")/.."
version=$1
root=$(pwd)/build-windows
build=$root/build
qt=$root/sdk/qt6-mingw
libpq=$root/sdk/libpq-mingw
name=korvel-configurator-$version-windows-x64
dist=$root/dist/$name

rm -rf "$dist" "$root/dist/$name.zip"
mkdir -p "$dist/platforms" "$dist/styles" "$dist/imageformats" "$dist/licenses"
cp "$build/main_window/korvel_configurator.exe" "$dist/korvel-configurator.exe"
cp "$build/cli/korvel-cli.exe" "$dist/"
cp "$qt/bin/Qt6Core.dll" "$qt/bin/Qt6Gui.dll" "$qt/bin/Qt6Widgets.dll" "$dist/"
cp "$qt/plugins/platforms/qwindows.dll" "$dist/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$dist/styles/"
cp "$qt/plugins/imageformats/"*.dll "$dist/imageformats/"
cp "$libpq/bin/libpq.dll" "$dist/"
cp "$libpq/share/licenses/"* "$dist/licenses/"
gcc_dlls=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
cp "$gcc_dlls/libstdc++-6.dll" "$gcc_dlls/libgcc_s_seh-1.dll" /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$dist/"
x86_64-w64-mingw32-strip --strip-unneeded "$dist/"*.exe
printf '%s\r\n' \
    "KORVEL configurator $version for Windows 8 and newer (64-bit)." \
    "" \
    "Copy this folder anywhere and start korvel-configurator.exe;" \
    "korvel-configurator.exe -p opens the production page as well." \
    "korvel-cli.exe runs the same operations from a command prompt (korvel-cli --help)." \
    "libpq.dll is PostgreSQL's client library (the station store on a server)," \
    "with OpenSSL linked into it; their licence texts are in licenses\\." \
    "" \
    "Settings are kept in korvel-configurator.INI beside the program when that" \
    "folder can be written (a copy on the desktop, a USB stick), otherwise in" \
    "%APPDATA%\\KORVEL\\ (for example under C:\\Program Files), and always there" \
    "for a copy installed by korvel-configurator-$version-setup.exe." > "$dist/README.txt"

# libpq.dll goes with its licence texts (PostgreSQL's and OpenSSL's): a
# folder without them is not shipped.
for f in libpq.dll licenses/PostgreSQL-COPYRIGHT licenses/OpenSSL-LICENSE.txt; do
    [ -s "$dist/$f" ] || { echo "windows-dist: $dist lacks $f (PostgreSQL's client library and its licences)" >&2; exit 1; }
done

# Every DLL the programs import must be in the folder or be Windows' own.
# Windows finds DLLs whatever the case of their names (korvel-cli.exe
# imports LIBPQ.dll).
present=$(cd "$dist" && ls | tr '[:upper:]' '[:lower:]')
missing=$(for f in "$dist"/*.exe "$dist"/*.dll "$dist"/*/*.dll; do
              x86_64-w64-mingw32-objdump -p "$f" | sed -n 's/^\s*DLL Name: //p'
          done | sort -u | while read -r dll; do
              grep -qxF "${dll,,}" <<<"$present" || [ -e "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/${dll,,}" ] || \
                  case "${dll,,}" in api-ms-win-*) ;; *) echo "$dll" ;; esac
          done)
if [ -n "$missing" ]; then
    echo "windows-dist: DLLs neither in the folder nor part of Windows: $missing" >&2
    exit 1
fi

# Both programs carry the icon (RT_ICON 3, RT_GROUP_ICON 14) and a version
# resource (RT_VERSION 16) naming this version: Explorer, the Start menu and
# "Apps and features" show them.
for exe in "$dist"/*.exe; do
    types=$(python3 - "$exe" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
pe = struct.unpack_from('<I', data, 0x3c)[0]
count, optional = struct.unpack_from('<H', data, pe + 6)[0], struct.unpack_from('<H', data, pe + 20)[0]
for i in range(count):
    name, _, _, _, raw = struct.unpack_from('<8sIIII', data, pe + 24 + optional + 40 * i)
    if name.rstrip(b'\0') == b'.rsrc':
        named, ids = struct.unpack_from('<HH', data, raw + 12)
        print(*sorted(struct.unpack_from('<I', data, raw + 16 + 8 * j)[0] for j in range(named, named + ids)))
PY
)
    file_version=$(strings -el "$exe" | sed -n '/^FileVersion$/{n;p;q}')
    if [[ " $types " != *" 3 "* || " $types " != *" 14 "* || " $types " != *" 16 "* ]] ||
       [ "$file_version" != "$version" ]; then
        echo "windows-dist: $(basename "$exe") lacks its icon or its version resource" \
             "(resource types: ${types:-none}; FileVersion: ${file_version:-none})" >&2
        exit 1
    fi
done

(cd "$root/dist" && python3 -m zipfile -c "$name.zip" "$name")
echo "windows-dist: $dist and $root/dist/$name.zip ($(du -sh "$root/dist/$name.zip" | cut -f1))"
