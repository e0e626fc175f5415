#!/usr/bin/env bash
# Desktops as they are: a screen scaled by two, a task bar and window switcher the notes keep out
# of, a second start that shows the notes, no notification area.
source "$(dirname "$0")/common.bash" "$@"

start_x
start_wm

# Ids of the program's mapped windows of the given size in device pixels.
mapped_windows() { # pid, width, height
    local w
    for w in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        xwininfo -id "$w" 2>/dev/null | awk -v id="$w" -v W="$2" -v H="$3" '
            /Width:/ {wd=$NF} /Height:/ {h=$NF} /Map State: IsViewable/ {v=1}
            END { if (v && wd == W && h == H) print id }'
    done
}
one_note() { [ "$(mapped_windows "$NV_PID" 182 198 | wc -l)" -eq 1 ]; }
position_of() { # window: "X,Y" on the root window
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                             END {print x "," y}'
}
states() { xprop -id "$1" _NET_WM_STATE 2>/dev/null; }
skips() { states "$1" | grep -q SKIP_TASKBAR && states "$1" | grep -q SKIP_PAGER; }
above() { states "$1" | grep -q _NET_WM_STATE_ABOVE; }
not_above() { ! above "$1"; }
unmapped() { ! xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
uninstall_and_wait() {
    "$BIN" uninstall >>"$E2E_TMP/notavex.log" 2>&1
    ended_within "$NV_PID" 10
}

echo "-- a screen scaled by two"
new_home scaled
make_folder small 1
export QT_SCALE_FACTOR=2
start_notavex
check "the scaled program becomes ready" wait_ready "$NV_PID"
check "the note is 364x396 device pixels" within 10 eval '[ -n "$(mapped_windows "$NV_PID" 364 396)" ]'
note=$(mapped_windows "$NV_PID" 364 396 | head -n1)
# Left=450, Top=1200 twips: 30,80 logical pixels.
check "the note stands at its stored place" [ "$(position_of "$note")" = "60,160" ]
xdotool windowmove "$note" 400 300
check "moved" within 3 eval '[ "$(position_of "$note")" = "400,300" ]'
uninstall_and_wait
check "the place is saved in twips of logical pixels" \
    [ "$(ini_value "$DATA/Indice.cfg" Left),$(ini_value "$DATA/Indice.cfg" Top)" = "3000,2250" ]
unset QT_SCALE_FACTOR

echo "-- task bar, window switcher and pin"
start_tray
new_home plain
make_folder small 1
start_notavex
wait_ready "$NV_PID"
check "the note is shown" within 10 one_note
note=$(mapped_windows "$NV_PID" 182 198)
check "the note skips task bar and switcher" skips "$note"
# The pin's middle, at 12,10 of the note.
xdotool mousemove --window "$note" 12 10 click 1
check "the pin puts the note above the others" within 3 above "$note"
check "pinned, it still skips both" skips "$note"
xdotool mousemove --window "$note" 12 10 click 1
check "unpinned" within 3 not_above "$note"
check "unpinned, it still skips both" skips "$note"

echo "-- a second start"
# The hide button's middle, at 168,10.
xdotool mousemove --window "$note" 168 10 click 1
check "the note hides" within 3 unmapped "$note"
"$BIN" 2>"$E2E_TMP/second.err"
status=$?
check "the second start ends with status 0" [ "$status" -eq 0 ]
check "and says why on standard error" grep -q "já está em execução" "$E2E_TMP/second.err"
check "the running copy shows the hidden note" within 5 one_note
# After the pin was changed the window is shown as a new native one.
check "shown again, it skips both" skips "$(mapped_windows "$NV_PID" 182 198)"
uninstall_and_wait

echo "-- no notification area, every note hidden"
kill "$TRAYER_PID"
new_home hidden
make_folder small 2
sed -i 's/Visivel=True/Visivel=False/' "$DATA/Indice.cfg"
start_notavex
wait_ready "$NV_PID"
check "the hidden notes are shown after a while" within 10 eval \
    '[ "$(mapped_windows "$NV_PID" 182 198 | wc -l)" -eq 2 ]'
check "one line on standard error says why" \
    [ "$(grep -c "não há área de notificação" "$E2E_TMP/notavex.log")" -eq 1 ]

finish
