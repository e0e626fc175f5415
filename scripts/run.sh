#!/usr/bin/env bash
# Installs the packages that are missing (through sudo when not root), builds the program alone
# into build-run/ (or $NOTAVEX_BUILD_DIR), installs it for the user who runs this (into ~/.local,
# or $NOTAVEX_PREFIX) and starts the installed program apart from this terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --run
export NOTAVEX_BUILD_DIR=${NOTAVEX_BUILD_DIR:-build-run}
bash scripts/build.sh -DNOTAVEX_TESTS=OFF
prefix=${NOTAVEX_PREFIX:-$HOME/.local}
# A running copy would keep the old program and hold its executable: it saves and ends first.
if [ -x "$prefix/bin/notavex" ]; then "$prefix/bin/notavex" uninstall || true; fi
cmake --install "$NOTAVEX_BUILD_DIR" --prefix "$prefix" >/dev/null
# Tahoma for the notes: fontconfig only reads the font settings it is told of.
fonts=${XDG_CONFIG_HOME:-$HOME/.config}/fontconfig/conf.d
mkdir -p "$fonts"
ln -sf "$prefix/share/fontconfig/conf.avail/65-notavex-tahoma.conf" "$fonts/"

# The program goes on after this terminal closes; what it says goes to a log file (and its
# problems to the system log too).
log=${XDG_STATE_HOME:-$HOME/.local/state}/notavex/notavex.log
mkdir -p "$(dirname "$log")"
echo "-- $(date '+%F %T') $prefix/bin/notavex $*" >>"$log"
setsid "$prefix/bin/notavex" "$@" </dev/null >>"$log" 2>&1 &
pid=$!
sleep 2
if kill -0 "$pid" 2>/dev/null; then
  disown "$pid"
  echo "Notavex is running (process $pid): its icon is in the notification area."
  echo "Its messages go to $log and its problems also to the system log (journalctl -t notavex)."
  exit 0
fi
status=0
wait "$pid" || status=$?
echo "Notavex ended at once (status $status); the end of $log:" >&2
tail -n 5 "$log" >&2
exit "$status"
