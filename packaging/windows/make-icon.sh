#!/usr/bin/env bash
# Renders the program's icon (packaging/korvel-configurator.svg) into the
# Windows icon both .exe files and the installer carry, at the sizes Explorer
# and the Start menu ask for.  The .ico is kept in the repository, so that a
# build on Windows needs neither tool; scripts/windows-build.sh checks that it
# still shows the SVG.
#   bash packaging/windows/make-icon.sh [OUTPUT]   (default: packaging/windows/korvel-configurator.ico)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
svg=$here/../korvel-configurator.svg
out=${1:-$here/korvel-configurator.ico}
for tool in rsvg-convert convert; do
    command -v "$tool" >/dev/null || { echo "make-icon: $tool is missing (scripts/install-packages.sh)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
frames=()
for size in 16 24 32 48 64 256; do
    rsvg-convert -w "$size" -h "$size" "$svg" -o "$work/$size.png"
    frames+=("$work/$size.png")
done
convert "${frames[@]}" -strip "$out"
