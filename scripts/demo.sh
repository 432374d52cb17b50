#!/usr/bin/env bash
# Installs what is missing, builds, starts a simulated 6C reader on loopback and opens Rivulet.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup
scripts/build.sh
BIN="${RIVULET_BUILD_DIR:-build}/bin"
SIM_PID=""
# Files the simulated reader receives by TFTP (firmware update) are kept here.
TFTP_DIR=$(mktemp -d)
cleanup() { [ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null || true; }
trap 'cleanup; rm -rf "$TFTP_DIR"' EXIT
trap 'exit 130' INT TERM
start_sim() { # $1 tcp port, $2 udp port, $3 discovery port, $4 tftp port
  SIM_OUT=$(mktemp)
  "$BIN/readersim" --family 6c --tcp "127.0.0.1:$1" --udp "127.0.0.1:$2" --tags 300 --rate 200 \
    --discovery "127.0.0.1:$3" --tftp "127.0.0.1:$4" --tftp-dir "$TFTP_DIR" >"$SIM_OUT" 2>&1 &
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
  if ! start_sim 4001 4002 4003 4069; then
    cleanup
    start_sim 0 0 0 0 || { echo "readersim did not start:"; cat "$SIM_OUT"; exit 1; }
  fi
  echo "Simulated 6C reader (300 tags), stopped when Rivulet exits:"
  grep -v '^ready' "$SIM_OUT" | sed 's/^/  /'
  echo "  files it receives by TFTP: $TFTP_DIR"
  # The connection panel starts with this address filled in.
  RIVULET_DEMO_TCP=$(awk '$1=="tcp"{print $2; exit}' "$SIM_OUT")
  export RIVULET_DEMO_TCP
  # Discovery asks the simulated reader instead of broadcasting on the network, and the firmware
  # update sends to its TFTP port (a real reader listens on 69).
  RIVULET_DISCOVERY_TARGET=$(awk '$1=="discovery"{print $2; exit}' "$SIM_OUT")
  RIVULET_TFTP_PORT=$(awk '$1=="tftp"{split($2, a, ":"); print a[2]; exit}' "$SIM_OUT")
  export RIVULET_DISCOVERY_TARGET RIVULET_TFTP_PORT
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: running under xvfb-run."
  xvfb-run -a "$BIN/rivulet" "$@"
else
  "$BIN/rivulet" "$@"
fi
