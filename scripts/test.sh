#!/usr/bin/env bash
# Sets up the machine, builds everything with the tests and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
BUILD_DIR=build-test ./scripts/build.sh -DTAMVIK_BUILD_TESTS=ON
export QT_QPA_PLATFORM=offscreen
cd build-test
ctest --output-on-failure --timeout 300 -j "$(nproc)"
