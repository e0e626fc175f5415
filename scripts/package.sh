#!/usr/bin/env bash
# Builds the Debian package notavex_<version>_amd64.deb into this folder from the program's own
# build (build-run/, shared with run.sh, or $NOTAVEX_BUILD_DIR) and checks it with lintian.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --package
export NOTAVEX_BUILD_DIR=${NOTAVEX_BUILD_DIR:-build-run}
bash scripts/build.sh -DNOTAVEX_TESTS=OFF
rm -f "$NOTAVEX_BUILD_DIR"/notavex_*.deb
if ! (cd "$NOTAVEX_BUILD_DIR" && cpack -G DEB >cpack.log); then
  cat "$NOTAVEX_BUILD_DIR/cpack.log" >&2
  exit 1
fi
deb=$(cd "$NOTAVEX_BUILD_DIR" && echo notavex_*_amd64.deb)
cp "$NOTAVEX_BUILD_DIR/$deb" .
# Errors fail the build; warnings are shown.
lintian --fail-on error "$deb"
echo "Built ./$deb; install it with: sudo apt install ./$deb"
