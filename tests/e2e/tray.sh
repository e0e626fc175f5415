#!/usr/bin/env bash
# The tray icon: without a notification area the program runs and shows the hidden notes, its
# icon docks when one appears, and its menu's "Sair" ends the program with a save; on a panel
# that hosts StatusNotifierItem icons over the session bus it shows its tip and opens its menu
# on either button.
source "$(dirname "$0")/common.bash" "$@"

start_x
new_home user
make_folder small 2
sed -i 's/Visivel=True/Visivel=False/' "$DATA/Indice.cfg"

icon_count() { tray_icons | grep -c . ; }
icon_docked() { [ "$(icon_count)" -ge 1 ]; }

echo "-- no notification area, every note hidden"
start_ready
check "the hidden notes are shown after a while" wait_windows "$NV_PID" 2 10
check "one line on standard error says why" \
    [ "$(grep -c "não há área de notificação" "$E2E_TMP/notavex.log")" -eq 1 ]
check "it keeps running without a tray" alive "$NV_PID"

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
check "the program still runs" alive "$NV_PID"

echo "-- Sair from the tray menu"
rm -f "$DATA"/[Ii]ndice.dat
tray_menu 3 Up Return # "Sair" is the last item of the menu.
check "Sair ends the program" ended_within "$NV_PID" 5
check "Sair saved the notes" \
    eval 'file_is "$DATA/indice.dat" ",1,2,\r\n" || file_is "$DATA/indice.dat" ",2,1,\r\n"'
sleep 0.3
check "the icon left the tray" [ "$(icon_count)" -eq 0 ]

echo "-- Xfce's panel, a StatusNotifierItem host"
kill "$TRAYER_PID"
new_home panel
if ! start_bus || ! start_xfce_panel; then
    echo "SKIP: Xfce's panel did not start here:"
    tail -n 5 "$E2E_TMP/dbus.log" "$E2E_TMP/xfce4-panel.log" 2>/dev/null
    finish
fi
items() {
    bus_property org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems | grep -o '"[^"]*"' | tr -d '"'
}
panel() { xwininfo -root -tree | awk '/"xfce4-panel": \("xfce4-panel"/ && / 1024x/ {print $1; exit}'; }
# The notification area's own window inside the panel: the icons are drawn in it.
area() { xwininfo -tree -id "$(panel)" | awk '/"wrapper-2.0"/ {print $1; exit}'; }
area_width() { xwininfo -id "$(area)" 2>/dev/null | awk '/Width:/ {print $NF}'; }
empty_width=$(area_width)
start_ready
check "the icon registers with the panel over the bus within 5 s" within 5 eval '[ -n "$(items)" ]'
item=$(items | head -n1)
service=${item%%/*}
path=/StatusNotifierItem
[ "$service" = "$item" ] || path=/${item#*/}
check "its tip on the bus is Notavex" eval "bus_property '$service' '$path' \
    org.kde.StatusNotifierItem ToolTip | grep -qx '[[:space:]]*string \"Notavex\"'"
check "no XEmbed icon of ours beside it" eval '! xwininfo -tree -id "$(panel)" | grep -q notavex'
check "the notification area grew by the icon (${empty_width:-?} px before)" within 5 eval \
    '[ "$(area_width)" -gt "${empty_width:-0}" ]'
IFS=' ' read -r ax ay aw ah < <(xwininfo -id "$(area)" | awk '/Absolute upper-left X/ {x=$NF}
    /Absolute upper-left Y/ {y=$NF} /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}')
# The panel's tool tip is a window of its own with the tool tip type.
panel_tip() {
    local w
    for w in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
        [ "$(xdotool getwindowpid "$w" 2>/dev/null)" = "$NV_PID" ] && continue
        xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _TOOLTIP && return 0
    done
    return 1
}
xdotool mousemove $((ax + aw - 12)) $((ay + ah / 2)) sleep 0.3 mousemove $((ax + aw - 10)) $((ay + ah / 2))
check "hovered, the panel shows its tip" within 5 panel_tip
xdotool mousemove 500 700 sleep 0.3 mousemove $((ax + aw - 10)) $((ay + ah / 2)) click 1
check "a left click on the panel's icon opens the tray menu" within 3 popup_shown
xdotool key Escape
check "Escape closes it" within 3 eval '! popup_shown'
# Xfce's panel answers a right click with the item's exported menu, which Qt's tray leaves
# empty ("/NO_DBUSMENU"); hosts without such a menu ask the item for its context menu.
dbus-send --session --type=method_call --dest="$service" "$path" \
    org.kde.StatusNotifierItem.ContextMenu int32:$((ax + aw - 10)) int32:$((ay + ah))
check "ContextMenu opens the tray menu" within 3 popup_shown
xdotool key Escape
check "Escape closes it" within 3 eval '! popup_shown'

finish
