#!/usr/bin/env bash
# Installs what is missing, builds, starts a simulated 6C reader on loopback and opens Rivulet.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup
scripts/build.sh
BIN="${RIVULET_BUILD_DIR:-build}/bin"
SIM_PID=""
cleanup() { [ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null || true; }
trap cleanup EXIT
if [ -x "$BIN/readersim" ]; then
  # Port 0: the simulator picks a free port and prints it.
  SIM_OUT=$(mktemp)
  "$BIN/readersim" --family 6c --tcp 127.0.0.1:0 --udp 127.0.0.1:0 --tags 300 --rate 200 >"$SIM_OUT" 2>&1 &
  SIM_PID=$!
  for _ in $(seq 50); do grep -q '^ready' "$SIM_OUT" && break; sleep 0.1; done
  echo "Simulated reader:"; grep -v '^ready' "$SIM_OUT" | sed 's/^/  /'
  TCP=$(awk '$1=="tcp"{print $2; exit}' "$SIM_OUT")
  if [ -n "$TCP" ]; then
    echo "Connect over TCP to ${TCP%:*} port ${TCP##*:}"
    export RIVULET_DEMO_TCP="$TCP"
  fi
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: running under xvfb-run."
  xvfb-run -a "$BIN/rivulet" "$@"
else
  "$BIN/rivulet" "$@"
fi
