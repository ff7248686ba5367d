#!/usr/bin/env bash
# Configures and builds Tamvik into build/ (or the folder given as BUILD_DIR); TARGETS
# names the targets to build (default: all of them).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja "$@" >/dev/null
# shellcheck disable=SC2086 # TARGETS is a list of names
cmake --build "$build_dir" ${TARGETS:+--target $TARGETS}
