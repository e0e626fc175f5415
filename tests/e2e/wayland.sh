#!/usr/bin/env bash
# In a Wayland session (weston, headless, with XWayland) the program chooses XWayland by itself,
# even with Qt's Wayland platform installed, and its notes are shown at their stored places.
source "$(dirname "$0")/common.bash" "$@"

new_home wayland
make_folder small 3
export WAYLAND_DISPLAY=wl-notavex-$$ XDG_SESSION_TYPE=wayland
unset QT_QPA_PLATFORM DISPLAY
weston --backend=headless-backend.so --use-pixman --xwayland --debug --socket="$WAYLAND_DISPLAY" \
    --width=1024 --height=768 >"$E2E_TMP/weston.log" 2>&1 &
started $!
within 10 grep -q 'xserver listening on display' "$E2E_TMP/weston.log" ||
    { echo "FAIL: weston did not start"; cat "$E2E_TMP/weston.log"; exit 1; }
DISPLAY=$(grep -o 'listening on display :[0-9]*' "$E2E_TMP/weston.log" | grep -o ':[0-9]*$')
export DISPLAY

# "X,Y" of the note windows as the compositor shows them: each view is the window inside a
# frame of equal margins (its shadow) that weston adds.
shown_notes() {
    timeout 5 weston-debug scene-graph 2>/dev/null | python3 -c '
import re, sys
lines = sys.stdin.read().splitlines()
for i, line in enumerate(lines):
    if "top-level window '"'"'Notavex'"'"'" in line:
        x1, y1, x2, y2 = map(int, re.findall(r"-?\d+", lines[i + 1]))
        print("%d,%d" % (x1 + (x2 - x1 - 182) // 2, y1 + (y2 - y1 - 198) // 2))' | sort
}

x_windows() { [ -n "$(xdotool search --pid "$NV_PID" 2>/dev/null)" ]; }
at_stored_places() { [ "$(shown_notes | paste -sd' ')" = "30,140 30,200 30,80" ]; }

start_ready
check "its windows are XWayland's" within 10 x_windows
check "three notes at their stored places" within 10 at_stored_places
finish
