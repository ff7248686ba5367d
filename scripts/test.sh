#!/usr/bin/env bash
# Sets up the machine, builds everything with the tests and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
# Window tests and their discovery at build time run without a display.
export QT_QPA_PLATFORM=offscreen
./scripts/build.sh -DTAMVIK_BUILD_TESTS=ON
cd build
ctest --output-on-failure --timeout 300 -j "$(nproc)"
