#!/usr/bin/env bash
# The tray icon: the program runs without a notification area, docks when one appears, and
# its menu's "Sair" ends the program with a save.
source "$(dirname "$0")/common.bash" "$@"

start_x
start_wm
new_home user

icon_count() { tray_icons | grep -c . ; }
icon_docked() { [ "$(icon_count)" -ge 1 ]; }

echo "-- no notification area"
start_notavex
running=$NV_PID
check "program becomes ready without a tray" wait_ready "$running"
sleep 2.5
check "it keeps running without a tray" alive "$running"

echo "-- a notification area appears"
start_tray
check "the icon docks within 5 s" within 5 icon_docked
check "exactly one icon" [ "$(icon_count)" -eq 1 ]
timeout 10 "$BIN" >>"$E2E_TMP/notavex.log" 2>&1
sleep 1
check "a second copy adds no icon" [ "$(icon_count)" -eq 1 ]

echo "-- the panel restarts"
kill "$TRAYER_PID"
sleep 0.5
start_tray
check "the icon docks again in the new panel within 5 s" within 5 icon_docked
check "the program still runs" alive "$running"

echo "-- Sair from the tray menu"
rm -f "$DATA"/[Ii]ndice.dat
click_tray_icon 3
sleep 0.7
t0=$(now_ms)
# "Sair" is the last item of the menu.
xdotool key Up Return
ended_within "$running" 5
took=$(($(now_ms) - t0))
check "Sair ends the program (${took} ms)" [ "$took" -lt 5000 ]
check "Sair saved the notes" file_is "$DATA/indice.dat" ',1,\r\n'
sleep 0.3
check "the icon left the tray" [ "$(icon_count)" -eq 0 ]

finish
