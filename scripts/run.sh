#!/usr/bin/env bash
# Installs what is missing, builds and starts Notavex.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
exec "${NOTAVEX_BUILD_DIR:-build}/notavex" "$@"
