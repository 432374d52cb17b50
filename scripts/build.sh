#!/usr/bin/env bash
# Configures (once) and builds into build/. Extra arguments go to the configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${RIVULET_BUILD_DIR:-build}"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  launcher=()
  # ccache, where installed, makes rebuilds in fresh build directories cheap.
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@"
fi
cmake --build "$BUILD_DIR" -j "$(nproc)"
