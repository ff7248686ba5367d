#!/usr/bin/env bash
# Sets up the machine, builds everything with the tests and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
# Window tests and their discovery at build time run without a display.
export QT_QPA_PLATFORM=offscreen
./scripts/build.sh -DTAMVIK_BUILD_TESTS=ON
(cd build && ctest --output-on-failure --timeout 300 -j "$(nproc)")

# The suites whose code runs on several threads once more under ThreadSanitizer: only their
# tests are built, and a report fails its test. The exhaustive sample conversion check is
# left out: it runs on one thread and takes minutes under the sanitizer.
threaded=(sound vantrel testrun audition threads)
BUILD_DIR=build-tsan TARGETS="${threaded[*]/#/tests_}" ./scripts/build.sh -DTAMVIK_BUILD_TESTS=ON \
  -DTAMVIK_SANITIZE=thread
labels=$(IFS='|'; echo "^(${threaded[*]})\$")
(cd build-tsan && ctest --output-on-failure --timeout 300 -j "$(nproc)" -L "$labels" \
  -E '^SampleConversion\.EveryInt32ToFloat64IsTheQuotient$')
