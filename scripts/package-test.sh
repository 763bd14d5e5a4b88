#!/usr/bin/env bash
# Builds the Debian package, installs it with apt-get, runs the installed
# programs, starts the installed configurator as an ordinary user under Xvfb
# with the simulator, closes it, checks that its settings file was written in
# that user's folder, then removes the package.  Needs root (apt-get).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -ne 0 ]; then
  echo "package-test: needs root for apt-get; skipped"
  exit 0
fi

cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target korvel_configurator korvel-cli korvel_simulator
(cd build && cpack >/dev/null)
deb=$(ls build/korvel-configurator_*_amd64.deb | head -1)
echo "package-test: installing $deb"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null

korvel-configurator --version
korvel-cli --version
korvel-simulator --help >/dev/null
test -f /usr/share/applications/korvel-configurator.desktop

user=korvel-ci
id "$user" >/dev/null 2>&1 || useradd -m "$user"
home=$(getent passwd "$user" | cut -d: -f6)
rm -rf "$home/.config/korvel"
# A settings file beside the installed program (left there by an older,
# portable copy) is the user's starting content, taken over once.
printf '[Config]\r\nPIN=4321\r\n' > /usr/bin/korvel-configurator.INI
ready=$(mktemp -u /tmp/korvel-ready.XXXXXX)
korvel-simulator --ready-file "$ready" >/dev/null 2>&1 &
sim=$!
for _ in $(seq 50); do [ -s "$ready" ] && break; sleep 0.1; done
chmod o+rw "$(cat "$ready")"

runuser -u "$user" -- env HOME="$home" XDG_CONFIG_HOME="$home/.config" \
  xvfb-run -a -s '-screen 0 1024x768x24' korvel-configurator -p &
runner=$!
settings="$home/.config/korvel/korvel-configurator.INI"
# The window is up once its settings folder exists; then it is asked to close.
for _ in $(seq 100); do [ -d "$home/.config/korvel" ] && break; sleep 0.1; done
sleep 2
pkill -TERM -u "$user" -f '^korvel-configurator' || true
wait "$runner" || true
kill "$sim" 2>/dev/null || true
rm -f "$ready"

rm -f /usr/bin/korvel-configurator.INI
if [ -f "$settings" ] && grep -q '^PIN=4321' "$settings"; then
  echo "package-test: settings written to $settings, taken over from beside the program"
else
  echo "package-test: no settings file in $home/.config/korvel, or the old one was not taken over" >&2
  apt-get remove -y -qq korvel-configurator >/dev/null
  exit 1
fi

# The read-only folder cases, with permissions that bind (not root): the
# settings go to the user folder, and a save that cannot write says so.
for case in configuration_tests:SettingsLocation.ReadOnly* fault_matrix_tests:SettingsFaultsPlace.ReadOnly*; do
  program=$(pwd)/build/tests/${case%%:*}
  runuser -u "$user" -- test -x "$program" || continue
  runuser -u "$user" -- env QT_QPA_PLATFORM=offscreen HOME="$home" "$program" --gtest_filter="${case#*:}" \
    | grep -q '\[  PASSED  \] 1 test' || { echo "package-test: ${case#*:} failed as $user" >&2; exit 1; }
  echo "package-test: ${case#*:} holds as $user"
done
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq korvel-configurator >/dev/null
! command -v korvel-configurator >/dev/null
echo "package-test: installed, ran and removed cleanly"
