#!/usr/bin/env bash
# Cross-builds the Qt-free serial layer for 64-bit Windows with mingw-w64
# (the g++-mingw-w64-x86-64 package must already be installed) and fails on
# any compiler error or warning.
set -euo pipefail

cd "$(dirname "$0")/.."

if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1; then
    echo "cross-build-windows: x86_64-w64-mingw32-g++-posix not found" \
         "(package g++-mingw-w64-x86-64)" >&2
    exit 1
fi

cmake --preset mingw
cmake --build --preset mingw
echo "cross-build-windows: serial layer built for Windows"
