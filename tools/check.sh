#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test; then builds again
# with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test once more.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
jobs=$(nproc)

tools/build.sh build -DES_TESTS=ON
(cd build && ctest --output-on-failure --no-tests=error --timeout 300 -j"$jobs")

# No leak check: variable storage and descriptor blocks are abandoned by design, never freed, and
# the program itself ends with _exit, before any check could run.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
tools/build.sh build-sanitize -DES_TESTS=ON -DES_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
(cd build-sanitize && ctest --output-on-failure --no-tests=error --timeout 600 -j"$jobs")
