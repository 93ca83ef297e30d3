#!/usr/bin/env bash
# Installs what is missing, builds the game and plays it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/build.sh build -DES_TESTS=OFF
exec build/empty-streets
