#!/usr/bin/env bash
# Takes the help's pictures of the real program under Xvfb and writes them as PNG files into
# capturas/ beside this script. Run after a build, then commit the pictures:
#     bash assets/help/make_screenshots.sh build
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/../../tests/e2e/common.bash" "$@"
OUT="$HERE/capturas"
mkdir -p "$OUT"

# An xwd picture from standard input written as a PNG file, optionally cut to x y w h.
to_png() { python3 "$HERE/../xwd_to_png.py" "$@"; }

window_of() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }
geometry_of() { # window: "x y w h" with its frame
    xwininfo -id "$1" -frame 2>/dev/null | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'
}
shot_window() { # name, file: the window with its frame, as on the screen
    local w
    w=$(within 5 window_of "$1" >/dev/null && window_of "$1")
    [ -n "$w" ] || { echo "FAIL: no window \"$1\""; return 1; }
    sleep 0.5
    read -r x y wd ht < <(geometry_of "$w")
    xwd -root -silent | to_png "$OUT/$2" "$((x - 4))" "$((y - 24))" "$((wd + 8))" "$((ht + 28))"
    echo "wrote capturas/$2"
}

# The dates and month names as a Brazilian user sees them.
export LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8
start_x
start_wm
start_tray
new_home capturas
mkdir -p "$DATA"
printf '%s\r\n' '[Indice]' 'TotalForms=2' '[1]' 'Top=1500' 'Left=3000' 'Tag=1' \
    'Titulo=Lembretes' 'Visivel=True' 'Color1=5433854' 'Color2=8912895' 'OnTop=False' >"$DATA/Indice.cfg"
printf '%s\r\n' '[2]' 'Top=1500' 'Left=6000' 'Tag=2' 'Titulo=Compras' 'Visivel=False' \
    'Color1=5433854' 'Color2=8912895' >>"$DATA/Indice.cfg"
printf ',1,2,\r\n' >"$DATA/indice.dat"
printf '%s\r\n' '{\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0 Arial;}}\f0\fs20 Ligar para o dentista\par' \
    'Reuni\'"'"'e3o \'"'"'e0s 15h\par' 'Comprar p\'"'"'e3o\par}' >"$DATA/notavex1.arl"
start_notavex
check "program becomes ready" wait_ready "$NV_PID"
check "the note is shown" wait_windows "$NV_PID" 1
IFS=, read -r nx ny < <(note_windows "$NV_PID")
sleep 0.5
xwd -root -silent | to_png "$OUT/nota.png" "$nx" "$ny" 182 198 && echo "wrote capturas/nota.png"

# The note menu, opened by a right click in the text.
xdotool mousemove "$((nx + 60))" "$((ny + 120))" click 3
sleep 0.8
xwd -root -silent | to_png "$OUT/menu_nota.png" "$((nx + 50))" "$((ny + 110))" 200 345 &&
    echo "wrote capturas/menu_nota.png"

# The first item, "Alarme".
xdotool key Down Return
shot_window "Ajustar Alarme" alarme.png
xdotool key Escape
sleep 0.5

# "Inserir data e hora...", the fifth item from the bottom.
xdotool mousemove "$((nx + 60))" "$((ny + 120))" click 3
sleep 0.8
xdotool key Up Up Up Up Up Return
shot_window " Data e hora" data_hora.png
xdotool key Escape
sleep 0.5

# The tray menu's "Sobre o Notavex...", the item above "Sair".
icon=$(xdotool search --class notavex 2>/dev/null | while read -r w; do
    xwininfo -id "$w" | grep -q 'Width: 2[0-9]$' && echo "$w"; done | head -n1)
if [ -n "$icon" ]; then
    read -r ix iy _ < <(geometry_of "$icon")
    xdotool mousemove "$((ix + 10))" "$((iy + 10))" click 1
    sleep 0.8
    xwd -root -silent | to_png "$OUT/menu_bandeja.png" "$((ix - 200))" "$((iy + 10))" 230 300 &&
        echo "wrote capturas/menu_bandeja.png"
    xdotool key Up Up Return
    shot_window " Sobre o Notavex" sobre.png
    xdotool key Escape
    sleep 0.5
    # Dialogs of the tray menu, by their place from the top: Opções, Excluir..., Mostra
    # Selecionadas...
    for item in "2: Op.*es$:opcoes.png" "4: Excluir Notas...:excluir.png" "5: Mostrar Notas:mostrar.png"; do
        xdotool mousemove "$((ix + 10))" "$((iy + 10))" click 1
        sleep 0.8
        xdotool key $(for _ in $(seq "${item%%:*}"); do echo Down; done) Return
        rest=${item#*:}
        shot_window "${rest%:*}" "${rest##*:}"
        xdotool key Escape
        sleep 0.5
    done
fi
finish
