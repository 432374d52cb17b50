#!/usr/bin/env bash
# Configures (once) and builds into build/. Extra arguments go to the configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${RIVULET_BUILD_DIR:-build}"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
fi
cmake --build "$BUILD_DIR" -j "$(nproc)"
