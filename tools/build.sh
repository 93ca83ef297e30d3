#!/usr/bin/env bash
# Builds Empty Streets into build/ (or the folder given) with warnings as errors.
# Extra arguments go to CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
cmake -S . -B "$dir" -DES_WERROR=ON "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
