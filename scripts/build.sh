#!/usr/bin/env bash
# Configures and builds into build/ (or $NOTAVEX_BUILD_DIR); arguments go to cmake's configure step,
# e.g. -DNOTAVEX_TESTS=OFF for the program alone.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${NOTAVEX_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build"
