#!/usr/bin/env bash
# Installs what is needed, builds, starts the device simulator on a
# pseudo-terminal and starts the configurator.  With a real device attached,
# pass --no-simulator and pick its port in "COM-порт:".
set -euo pipefail
cd "$(dirname "$0")/.."

simulate=1
args=()
for a in "$@"; do
  case "$a" in
    --no-simulator) simulate=0 ;;
    *) args+=("$a") ;;
  esac
done

bash scripts/install-packages.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target korvel_configurator korvel_simulator

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found.  Start the configurator on a virtual display with:"
  echo "  xvfb-run -a -s '-screen 0 1024x768x24' bash scripts/start.sh $*"
  exit 1
fi

sim_pid=""
cleanup() { [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true; }
trap cleanup EXIT

if [ "$simulate" -eq 1 ]; then
  ready=$(mktemp)
  rm -f "$ready"
  build/tools/korvel_simulator --ready-file "$ready" --link /tmp/korvel-sim >/dev/null &
  sim_pid=$!
  for _ in $(seq 50); do [ -s "$ready" ] && break; sleep 0.1; done
  port=$(cat "$ready" 2>/dev/null || true)
  rm -f "$ready"
  echo "Device simulator is running.  Type this into \"COM-порт:\":  ${port:-/tmp/korvel-sim}"
fi

build/main_window/korvel_configurator "${args[@]}"
