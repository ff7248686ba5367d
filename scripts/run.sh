#!/usr/bin/env bash
# Sets up the machine, builds Tamvik and starts it into its main window; arguments go to
# the program (a project file to open, /mme for the wave-out path).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh -DTAMVIK_BUILD_TESTS=OFF
exec build/src/app/tamvik "$@"
