#!/usr/bin/env bash
# A user's day: the tray icon's tip, hiding a note from its menu, two new notes, typing, moving
# and pinning one, and "Sair" storing it all.
source "$(dirname "$0")/common.bash" "$@"

start_x
start_tray
new_home usage
make_folder small 1 # note 1 at 30,80

# In the window (its border left out), or a rectangle of it, the runs of columns with dark pixels
# (glyphs) and the dark pixels.
ink() { # window [x y w h]
    xwd -silent -id "$1" 2>/dev/null | xwd_py '
x0, y0, w, h = map(int, sys.argv[1:5]) if len(sys.argv) > 1 else (2, 2, W - 4, H - 4)
cols = [sum(sum(px(x, y)) < 450 for y in range(y0, y0 + h)) for x in range(x0, x0 + w)]
print(sum(1 for i, c in enumerate(cols) if c and (i == 0 or not cols[i - 1])), sum(cols))' "${@:2}"
}

key_of() { # note, key: its value in Indice.cfg
    awk -v s="[$1]" -v k="$2=" '{sub(/\r$/, "")} /^\[/ {in_s = ($0 == s)}
        in_s && index($0, k) == 1 {print substr($0, length(k) + 1); exit}' "$DATA/Indice.cfg"
}
# A new note's title now: "dd/mmm - HH:MM" with the Brazilian month.
title_now() {
    python3 -c 'import datetime as d
t, m = d.datetime.now(), "jan fev mar abr mai jun jul ago set out nov dez".split()
print(t.strftime("%d/") + m[t.month - 1] + t.strftime(" - %H:%M"))'
}
# The program as a Brazilian user runs it; the X tools keep the C locale.
LANG=pt_BR.UTF-8 start_ready
check "the icon docks" within 5 eval '[ -n "$(tray_icons)" ]'

echo "-- the tray icon"
read -r pos < <(tray_icons | awk '{print $NF; exit}')
IFS=+ read -r _ ix iy <<<"$pos"
xdotool mousemove $((ix + 5)) $((iy + 5)) sleep 0.3 mousemove $((ix + 8)) $((iy + 8))
check "hovered, it shows a tool tip" within 5 eval '[ -n "$(shown tips)" ]'
# Under XEmbed the tip is only drawn: the word is told by its seven glyphs.
read -r glyphs _ < <(ink "$(shown tips | head -n1)")
check "the tip is one word of seven letters, Notavex (got $glyphs)" [ "${glyphs:-0}" = 7 ]
xdotool mousemove 500 700 sleep 0.3

echo "-- note 1: its menu on a right click in the text, then Ocultar"
one=$(note_at 30,80)
xdotool windowraise "$one" mousemove 130 200 click 3
check "a right click in its text opens the note menu" within 3 popup_shown
xdotool key Down Down Down Down Down Return # Alarme, Título..., Opções, Sempre Visível, Ocultar
check "Ocultar hides note 1" within 3 eval '[ -z "$(note_at 30,80)" ]'

echo "-- Nova Nota, twice"
for n in 2 3; do
    titles[$n]=$(title_now)
    before=$(note_window_ids "$NV_PID")
    tray_menu 1 Down Return
    check "note $n is shown" wait_windows "$NV_PID" "$((n - 1))" 5 # note 1 is hidden
    new[$n]=$(comm -13 <(echo "$before") <(note_window_ids "$NV_PID"))
    titles[$n]+=$'\n'$(title_now)
    place[$n]=$(position_of "${new[$n]}")
    IFS=, read -r x y <<<"${place[$n]}"
    check "note $n is on the screen at $x,$y" \
        [ "$x" -ge 0 -a "$x" -le 824 -a "$y" -ge 0 -a "$y" -le 534 ]
done
check "the two places differ (random)" [ "${place[2]}" != "${place[3]}" ]
# Random places may overlap: note 3 goes to the side away from note 2, out of its way.
[ "${place[2]%,*}" -lt 412 ] && place[3]=800,20 || place[3]=20,20
xdotool windowmove "${new[3]}" "${place[3]%,*}" 20 sleep 0.5

echo "-- note 2: typing, moving by its title strip, pinning"
w=${new[2]}
IFS=, read -r x y <<<"${place[2]}"
xdotool windowraise "$w" sleep 0.3 # xwd reads what is on screen
read -r _ blank < <(ink "$w" 6 24 170 150)
# Plain letters: xdotool types others by remapping a key, which the program may see too late
# (accented text is the file round trips' part).
xdotool mousemove $((x + 90)) $((y + 100)) click 1 sleep 0.3 type --delay 30 'Comprar pao e cafe'
read -r glyphs _ < <(ink "$w" 6 24 170 150)
check "an empty text ($blank dark pixels) shows what is typed ($glyphs glyphs)" \
    [ "$blank" = 0 -a "$glyphs" -ge 8 ]
# Past the title's click distance the note follows the point where it was taken.
xdotool mousemove $((x + 90)) $((y + 8)) mousedown 1 sleep 0.2 \
    mousemove $((x + 102)) $((y + 8)) sleep 0.2
xdotool mousemove 890 558 sleep 0.3 mouseup 1 sleep 0.5
check "dragged by its title strip it moves to 800,550 ($(note_windows "$NV_PID" | paste -sd' '))" \
    [ -n "$(note_at 800,550)" ]
xdotool mousemove 812 560 click 1
check "a click on the pin keeps it above other windows" within 3 pinned "$w"
check "and stores OnTop at once" [ "$(key_of 2 OnTop)" = True ]

echo "-- Sair"
tray_menu 1 Up Return
check "Sair ends the program" ended_within "$NV_PID" 10
check "note 2 is stored with its text ($("$RTFDUMP" "$DATA/notavex2.arl" | head -c 80))" grep -qx 'Comprar pao e cafe' <("$RTFDUMP" "$DATA/notavex2.arl")
for n in 2 3; do
    check "note $n is titled with the time it was made ($(key_of $n Titulo))" \
        grep -qxF "$(key_of $n Titulo)" <<<"${titles[$n]}"
done
finish
