#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian (no errors, no
# warnings), installs it with apt-get, runs the installed programs, their
# manual pages and korvel-cli's completion, checks the station's unit with
# systemd-analyze and runs the unit's command line as its user against
# simulators, lets korvel-cli doctor find a user outside dialout on a
# pseudo-terminal, starts the installed configurator as an ordinary user under
# Xvfb with the simulator, closes it, checks that its settings file was
# written in that user's folder, then purges the package.  Needs root (apt-get).
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
# lintian says it is run as root; its tags are what counts.
lintian --fail-on error,warning "$deb" 2> >(grep -v 'running with root privileges' >&2)
echo "package-test: lintian finds no error and no warning in $deb"
echo "package-test: installing $deb"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null

korvel-configurator --version
korvel-cli --version
korvel-simulator --help >/dev/null
test -f /usr/share/applications/korvel-configurator.desktop
for page in korvel-configurator korvel-cli korvel-simulator korvel-mm-ignore; do man -w "$page" >/dev/null; done
LC_ALL=C.UTF-8 MANWIDTH=100 man korvel-cli 2>/dev/null | grep -q 'korvel-cli doctor --port ttyUSB0' \
  || { echo "package-test: man korvel-cli does not show its examples" >&2; exit 1; }
# The completion of korvel-cli's commands and of a command's options.
complete_words() {
  bash -c 'source /usr/share/bash-completion/bash_completion
           source /usr/share/bash-completion/completions/korvel-cli
           COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
           _korvel_cli korvel-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
           printf "%s\n" "${COMPREPLY[@]}"' complete "$@"
}
complete_words korvel-cli do | grep -qx doctor && complete_words korvel-cli doctor --f | grep -qx -- --folder \
  && complete_words korvel-cli produce --re | grep -qx -- --retries \
  || { echo "package-test: korvel-cli's bash completion does not offer its commands and options" >&2; exit 1; }
echo "package-test: manual pages and completion installed"

# The station as a service: its unit, its user in dialout, its command line.
getent passwd korvel-station >/dev/null && id -nG korvel-station | grep -qw dialout \
  || { echo "package-test: no user korvel-station in dialout" >&2; exit 1; }
systemd-analyze verify korvel-station@line1.service
echo "package-test: systemd-analyze verify korvel-station@line1.service passes"
service_test=$(mktemp -d /tmp/korvel-service.XXXXXX)
install -m 755 scripts/station-service-test.sh "$service_test/"
chown korvel-station "$service_test"
runuser -u korvel-station -- bash "$service_test/station-service-test.sh" build \
  /lib/systemd/system/korvel-station@.service /etc/korvel/station-line1.conf \
  /usr/bin/korvel-cli /usr/bin/korvel-simulator
rm -rf "$service_test"

user=korvel-ci
id "$user" >/dev/null 2>&1 || useradd -m "$user"
home=$(getent passwd "$user" | cut -d: -f6)

# korvel-cli doctor on a pseudo-terminal of the group dialout: the ordinary
# user outside the group is told the usermod line, the station's user (in
# it) reaches the device.
ready=$(mktemp -u /tmp/korvel-ready.XXXXXX)
korvel-simulator --ready-file "$ready" >/dev/null 2>&1 &
sim=$!
for _ in $(seq 50); do [ -s "$ready" ] && break; sleep 0.1; done
pty=$(cat "$ready")
chgrp dialout "$pty" && chmod 660 "$pty"
runuser -u "$user" -- korvel-cli doctor --port "$pty" --json > "$home/doctor.json" || true
grep '"check":"port-access"' "$home/doctor.json" | grep -q '"finding":"not-in-group"' \
  && grep -q "sudo usermod -aG dialout $user" "$home/doctor.json" \
  || { echo "package-test: doctor did not find $user outside dialout" >&2; cat "$home/doctor.json" >&2; kill "$sim"; exit 1; }
# (exit 1 all the same: the simulator holds its own terminal)
runuser -u korvel-station -- korvel-cli doctor --port "$pty" --json > "$home/doctor.json" || true
grep -q '"finding":"at-answered"' "$home/doctor.json" \
  || { echo "package-test: doctor as korvel-station got no answer to AT" >&2; kill "$sim"; exit 1; }
kill "$sim" 2>/dev/null || true
rm -f "$ready" "$home/doctor.json"
echo "package-test: doctor finds $user outside dialout, and the device for korvel-station"
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
  apt-get purge -y -qq korvel-configurator >/dev/null
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
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq korvel-configurator >/dev/null
! command -v korvel-configurator >/dev/null
test ! -e /lib/systemd/system/korvel-station@.service && test ! -e /etc/korvel/station-line1.conf
echo "package-test: installed, ran and purged cleanly"
