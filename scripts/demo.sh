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
trap 'exit 130' INT TERM
start_sim() { # $1 tcp port, $2 udp port
  SIM_OUT=$(mktemp)
  "$BIN/readersim" --family 6c --tcp "127.0.0.1:$1" --udp "127.0.0.1:$2" --tags 300 --rate 200 >"$SIM_OUT" 2>&1 &
  SIM_PID=$!
  for _ in $(seq 50); do
    grep -q '^ready' "$SIM_OUT" && return 0
    kill -0 "$SIM_PID" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
if [ -x "$BIN/readersim" ]; then
  # The shipped profiles point the connection panel at 127.0.0.1:4001 (TCP) and :4002 (UDP);
  # when those ports are taken, let the simulator pick free ones and say which.
  if ! start_sim 4001 4002; then
    cleanup
    start_sim 0 0 || { echo "readersim did not start:"; cat "$SIM_OUT"; exit 1; }
  fi
  echo "Simulated 6C reader (300 tags), stopped when Rivulet exits:"
  grep -v '^ready' "$SIM_OUT" | sed 's/^/  /'
  # The connection panel starts with this address filled in.
  RIVULET_DEMO_TCP=$(awk '$1=="tcp"{print $2; exit}' "$SIM_OUT")
  export RIVULET_DEMO_TCP
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: running under xvfb-run."
  xvfb-run -a "$BIN/rivulet" "$@"
else
  "$BIN/rivulet" "$@"
fi
