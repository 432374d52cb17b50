#!/usr/bin/env bash
# Installs what is missing, builds, runs every test headless. Non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup
scripts/build.sh -DRIVULET_TESTS=ON
BUILD_DIR="${RIVULET_BUILD_DIR:-build}"
scripts/check-language-keys
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" --timeout 600 "$@"
