#!/usr/bin/env bash
# Installs what is missing, builds everything into build/ (or $NOTAVEX_BUILD_DIR) and runs every
# test; arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh -DNOTAVEX_TESTS=ON
ctest --test-dir "${NOTAVEX_BUILD_DIR:-build}" --output-on-failure -j "$(nproc)" "$@"
