#!/usr/bin/env bash
# Installs what is missing, builds, installs Notavex for this user (into ~/.local, or
# $NOTAVEX_PREFIX) and starts the installed program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
prefix=${NOTAVEX_PREFIX:-$HOME/.local}
# A running copy would keep the old program and hold its executable: it saves and ends first.
if [ -x "$prefix/bin/notavex" ]; then "$prefix/bin/notavex" uninstall || true; fi
cmake --install "${NOTAVEX_BUILD_DIR:-build}" --prefix "$prefix" >/dev/null
# Tahoma for the notes: fontconfig only reads the font settings it is told of.
fonts=${XDG_CONFIG_HOME:-$HOME/.config}/fontconfig/conf.d
mkdir -p "$fonts"
ln -sf "$prefix/share/fontconfig/conf.avail/65-notavex-tahoma.conf" "$fonts/"
exec "$prefix/bin/notavex" "$@"
