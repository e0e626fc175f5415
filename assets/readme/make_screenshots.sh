#!/usr/bin/env bash
# Takes the README's pictures of the real program under Xvfb and writes them as PNG files beside
# this script: a note, the tray menu, the alarm dialog and a note whose alarm rings. Run after a
# build, look at them, then commit them:
#     bash assets/readme/make_screenshots.sh build
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/../../tests/e2e/common.bash" "$@"
to_png() { python3 "$HERE/../xwd_to_png.py" "$@"; }
shot() { # file, x y w h of the screen
    sleep 0.5
    xwd -root -silent | to_png "$HERE/$1" "${@:2}" && echo "wrote $1"
}
geometry_of() { # window: "x y w h"
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'
}
# The program's menu on screen: its shown override-redirect window wider than the tray icon.
menu_window() {
    local w
    for w in $(xdotool search --onlyvisible --pid "$NV_PID" 2>/dev/null); do
        xwininfo -id "$w" | grep -q 'Override Redirect State: yes' &&
            [ "$(geometry_of "$w" | cut -d' ' -f3)" -gt 60 ] && echo "$w"
    done | head -n1 | grep .
}

# A daily alarm due two minutes ago rings at start.
while [ "$(date +%H%M)" -lt 0003 ]; do sleep 10; done
start_x
start_wm
start_tray
xsetroot -solid '#5a7a96'
xdotool mousemove 1020 760
new_home readme
mkdir -p "$DATA"
printf '%s\r\n' '[Indice]' 'TotalForms=2' '[1]' 'Top=1500' 'Left=3000' 'Tag=1' 'Titulo=Lembretes' \
    'Visivel=True' 'Color1=5433854' 'Color2=8912895' 'OnTop=False' '[2]' 'Top=1500' 'Left=7500' \
    'Tag=2' 'Titulo=Dentista' 'Visivel=False' 'Color1=16758374' 'Color2=16771802' 'OnTop=False' \
    'Alarme=1' 'TipoDataAlarme=2' 'Data=Diariamente' "Hora=$(date -d '-2 min' +%H:%M:00)" \
    "HoraAntes=$(date -d '-3 min' +%H:%M:00)" 'TocarSom=0' 'ArquivoWave=/usr/share/sounds/alarme.wav' \
    >"$DATA/Indice.cfg"
printf ',1,2,\r\n' >"$DATA/indice.dat"
printf '%s\r\n' '{\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0 Arial;}}\f0\fs20 Ligar para o dentista\par' \
    'Reuni\'"'"'e3o \'"'"'e0s 15h\par' 'Comprar p\'"'"'e3o e \b caf\'"'"'e9\b0\par}' >"$DATA/notavex1.arl"
printf '%s\r\n' '{\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0 Arial;}}\f0\fs20 Consulta \'"'"'e0s 10h\par}' \
    >"$DATA/notavex2.arl"
LANG=pt_BR.UTF-8 start_notavex
check "program becomes ready" wait_ready "$NV_PID"
check "the note and the ringing note are shown" wait_windows "$NV_PID" 2 10

# Blinking, the ringing note's strip takes the colour of its text area and back: one picture of
# each.
strip_is() { # colour as xwd holds it (0xRRGGBB), picture to keep
    xwd -root -silent >"$E2E_TMP/screen.xwd"
    python3 - "$1" "$E2E_TMP/screen.xwd" <<'PY' && to_png "$2" 500 100 182 198 <"$E2E_TMP/screen.xwd"
import struct, sys
d = open(sys.argv[2], "rb").read()
hdr = struct.unpack(">25I", d[:100])
size, order, bits, per_line, ncolors = hdr[0], hdr[7], hdr[11], hdr[12], hdr[19]
i, n = 110 * per_line + 640 * (bits // 8), bits // 8
v = int.from_bytes(d[size + 12 * ncolors + i:][:n], "little" if order == 0 else "big")
sys.exit(v & 0xffffff != int(sys.argv[1], 16))
PY
}
# As shown, Color1 (0x66b7ff) and Color2 of note 2.
check "the ringing note shows its own colours" within 5 strip_is 0x66b6ff "$HERE/tocando_1.png"
check "and blinks" within 5 strip_is 0xdaeaff "$HERE/tocando_2.png"
shot nota.png 200 100 182 198

click_tray_icon 1
check "the tray menu opens" within 3 eval "menu_window >/dev/null"
read -r mx my mw mh < <(geometry_of "$(menu_window)")
shot menu_bandeja.png "$((mx - 10))" 0 "$((1024 - mx + 10))" "$((my + mh + 10))"
xdotool key Escape

# "Alarme", the note menu's first item, for the ringing note.
xdotool mousemove 590 220 click 3
check "the note menu opens" within 3 eval "menu_window >/dev/null"
xdotool key Down Return
dialog=$(within 5 eval 'xdotool search --onlyvisible --name "^Ajustar Alarme$" >/dev/null' &&
    xdotool search --onlyvisible --name "^Ajustar Alarme$" | head -n1)
check "the alarm dialog opens" [ -n "$dialog" ]
read -r dx dy dw dh < <(geometry_of "$dialog")
shot alarme.png "$((dx - 4))" "$((dy - 24))" "$((dw + 8))" "$((dh + 28))"
xdotool key Escape
finish
