#!/usr/bin/env bash
# Dialogs under openbox, a pinned note in the middle of the screen: each opens centred at its size,
# above the pinned note and the window it came from, painted in an xwd picture; Enter on a question
# that deletes keeps the notes; a new note from the tray takes what is typed. "Imprimir" on a queue
# that rejects jobs, through a print scheduler of the test's own: the user confirms the printer
# dialog and is told that nothing was printed, after which the tray menu opens again.
source "$(dirname "$0")/common.bash" "$@"

# The scheduler: its configuration, state, spool and socket in a folder of its own.
start_cups() {
    local ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd cups=$E2E_TMP/cups
    export PATH=$PATH:/usr/sbin:/sbin CUPS_SERVER=$cups/sock
    [ "$(id -u)" = 0 ] && command -v cupsd lpadmin cupsreject >/dev/null && [ -f $ppd ] ||
        { echo "needs root, cupsd, lpadmin and the cups-pdf queue"; return 1; }
    mkdir -p "$cups/spool" && mkdir -m 1777 "$cups/tmp"
    printf 'Listen %s/sock\n<Policy default>\n<Limit All>\n</Limit>\n</Policy>\n' "$cups" \
        >"$cups/cupsd.conf"
    printf '%s\n' "ServerRoot $cups" "StateDir $cups" "CacheDir $cups" "RequestRoot $cups/spool" \
        "TempDir $cups/tmp" "PageLog $cups/page_log" "Printcap $cups/printcap" \
        "AccessLog $cups/access_log" "ErrorLog $cups/error_log" 'User lp' 'Group lp' \
        >"$cups/files.conf"
    cupsd -f -c "$cups/cupsd.conf" -s "$cups/files.conf" &
    started $!
    within 10 test -S "$CUPS_SERVER" && lpadmin -p Escritorio -E -v cups-pdf:/ -P $ppd &&
        lpadmin -d Escritorio && cupsreject Escritorio
}
start_cups
cups_up=$?
check "a print scheduler of the test's own starts" [ $cups_up = 0 ]

start_x
start_tray
new_home user
write_folder 2 '[1]' 'Top=1500' 'Left=3000' 'Tag=1' 'Titulo=Um' 'Visivel=True' 'OnTop=False' \
    '[2]' 'Top=4500' 'Left=6600' 'Tag=2' 'Titulo=Dois' 'Visivel=True' 'OnTop=True'
for n in 1 2; do printf '{\\rtf1 nota %s}' "$n" >"$DATA/notavex$n.arl"; done
start_ready
check "both notes are mapped" wait_windows "$NV_PID" 2
check "the icon docks" within 5 eval '[ -n "$(tray_icons)" ]'
stacking() { xprop -root _NET_CLIENT_LIST_STACKING | cut -d'#' -f2 | tr -d ',' | xargs printf '%d\n'; }
# Share of black pixels in a rectangle of an xwd -root picture, in percent.
black() { # x y width height
    xwd -root -silent | xwd_py 'x0, y0, w, h = map(int, sys.argv[1:5])
print(sum(px(x, y) == (0, 0, 0) for y in range(y0, y0 + h) for x in range(x0, x0 + w))
      * 100 // (w * h))' "$@"
}
# The dialog on top of every window (the pinned note too) and painted in an xwd -root picture;
# with a size, centred with its frame on the 1024x768 screen at that client size.
check_dialog() { # title, [width height [" or wider for its texts"]]
    local top x y w h l r t b
    top=$(stacking | tail -n1)
    read -r x y w h < <(xwininfo -id "$top" | awk '/Absolute upper-left X/ {x=$NF}
        /Absolute upper-left Y/ {y=$NF} /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}')
    check "\"$1\" is on top" [ "$(xprop -id "$top" WM_NAME | cut -d'"' -f2)" = "$1" ]
    check "\"$1\" is painted in an xwd -root picture" [ "$(black "$x" "$y" "$w" "$h")" -lt 50 ]
    [ -n "${3:-}" ] || return 0
    read -r l r t b < <(xprop -id "$top" _NET_FRAME_EXTENTS | cut -d= -f2 | tr -d ,)
    local sized=no
    [ "$w $h" = "$2 $3" ] || [ -n "${4:-}" -a "$w" -gt "$2" -a "$h" = "$3" ] && sized=yes
    check "\"$1\" is ${2}x$3${4:-} (got ${w}x$h)" [ $sized = yes ]
    local dx=$(((x - l) * 2 + w + l + r - 1024)) dy=$(((y - t) * 2 + h + t + b - 768))
    check "\"$1\" is centred with its frame (off by $dx/2,$dy/2)" \
        [ "${dx#-}" -le 1 -a "${dy#-}" -le 1 ]
}
tray() { tray_menu 1 "$@" && sleep 1; }
note_menu() { xdotool mousemove 290 200 click 3 && sleep 0.7 && xdotool key "$@" && sleep 1.5; }
close() { xdotool key "${1:-Escape}" && sleep 0.8; }

tray Down Down Return
check_dialog " Opções"
close Tab && xdotool key space && sleep 1.5 # "Definir fonte padrão"
check_dialog "Fonte"
xdotool key Tab Tab Tab Tab Tab Tab space && sleep 1.5 # "Cor..."
check_dialog "Selecionar cor"
close && close && close
tray Up Up Up Return
check_dialog "O Notavex"
close alt+F4
tray Up Up Return
check_dialog " Sobre o Notavex" 312 192
close
tray Down Down Down Down Down Return
check_dialog " Mostrar Notas" 393 210 " or wider for its texts"
close
note_menu Down Return
check_dialog "Ajustar Alarme" 386 351
close
note_menu Down Down Down Down Down Down Down Down Down Down Return
check_dialog " Data e hora" 278 168 " or wider for its texts"
close
note_menu Up Up Return
check_dialog "Salvar como"
check "the pinned note is painted in an xwd -root picture" [ "$(black 440 300 182 198)" -lt 50 ]
close
xdotool mousemove 290 288 click 1 && sleep 1.5 # the note's "[Cor]"
check_dialog "Selecionar cor"
close
tray Down Down Down Down Return
check_dialog " Excluir Notas..." 385 215 " or wider for its texts"
dialog=$(stacking | tail -n1)
xdotool mousemove --window "$dialog" 60 17 click 1 key space && sleep 0.5 # marks note 1
for at in 17 45; do # "Excluir &Selecionadas", "Excluir &TODAS"
    xdotool mousemove --window "$dialog" 317 "$at" click 1 && sleep 1.5
    check_dialog "Notavex"
    close Return
done
check "Enter on either question deletes nothing" eval '[ "$(note_windows "$NV_PID" | wc -l)" -eq 2 ] &&
    [ -f "$DATA/notavex1.arl" ] && [ -f "$DATA/notavex2.arl" ]'
close

tray Down Return
xdotool type --delay 50 'digitado'
check "a new note takes what is typed at once" within 10 grep -qs digitado "$DATA/notavex3.arl"
# The pinned note's menu, as that note stays above the new one.
if [ $cups_up = 0 ]; then
    xdotool mousemove 530 400 click 3 sleep 0.7 key Down Down Down Down Down Down Return sleep 1.5
    check_dialog "Imprimir"
    named() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
    # Keys chained after a search go to the window found, by XSendEvent once it lost the focus: a
    # window that closes at the press leaves the key held down in the server, repeating.
    enter() { xdotool search --onlyvisible --name "$1" windowactivate --sync && xdotool key Return; }
    enter '^Imprimir$'
    check "a rejected job is reported" within 10 named '^imprimir$'
    check "no job was queued" eval '[ -z "$(lpstat -W all -o Escritorio)" ]'
    enter '^imprimir$' && sleep 0.8 && tray Up Up Return
    check_dialog " Sobre o Notavex"
fi
finish
