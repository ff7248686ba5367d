#!/usr/bin/env bash
# Sets up the machine, builds Tamvik and starts it; arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh -DTAMVIK_BUILD_TESTS=OFF
if [ -x build/src/app/tamvik ]; then
  exec build/src/app/tamvik "$@"
fi
echo "tamvik is built as libraries only so far; the program itself comes with the main window."
