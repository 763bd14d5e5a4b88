#!/usr/bin/env bash
# Installs the Debian packages the configurator needs to build, run and test.
# Runs apt-get only when something is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev
  libsqlite3-dev libpq-dev postgresql
  g++-mingw-w64-x86-64 googletest
  wine wine64 fonts-wine imagemagick librsvg2-bin nsis xdotool x11-utils
  lrzsz socat pv
  clang libclang-rt-14-dev
  dpkg-dev file lintian man-db bash-completion systemd
  xvfb xauth fonts-dejavu-core fonts-liberation
  libcpp-httplib-dev chromium chromium-driver python3-selenium
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Run as root or install sudo: missing ${missing[*]}" >&2; exit 1; }
  SUDO=sudo
fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
