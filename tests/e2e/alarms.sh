#!/usr/bin/env bash
# Hidden notes whose daily alarm is due pop up at start without taking the focus from the window
# the user types in, and blink until their text is clicked. The program ended while a note
# blinks stores that note's own colours. Without a sound server the program says so once and
# keeps going; with one, a ringing alarm, "Nova Nota" and deleting a note each play a sound.
source "$(dirname "$0")/common.bash" "$@"

start_x

# Due two minutes ago, today.
while [ "$(date +%H%M)" -lt 0003 ]; do sleep 10; done
hora=$(date -d '-2 min' +%H:%M:00)
antes=$(date -d '-3 min' +%H:%M:00)

# Strip colour 0x3E7CFF (red 255 green 124 blue 62), text area 0x87FFFF.
note() { # number, Visivel, TocarSom: its lines of Indice.cfg, one a line
    printf '%s\n' "[$1]" 'Top=1500' "Left=$((3000 + ($1 - 1) * 4500))" "Tag=$1" 'Titulo=' \
        "Visivel=$2" 'Color1=4095231' 'Color2=8912895' 'OnTop=False' 'Alarme=1' \
        'TipoDataAlarme=2' 'Data=Diariamente' "Hora=$hora" "HoraAntes=$antes" "TocarSom=$3"
}
new_home alarms
mapfile -t lines < <(note 1 False 1; note 2 False 0)
write_folder 2 "${lines[@]}"

# The different colours of a note window's title strip, as "R G B", seen over up to 5 s, or until
# that many were seen. The samples are at random times: under load a steady pace can keep in step
# with the blinking and see one colour only.
colours_seen() { # window [enough]
    local end=$((SECONDS + 5)) seen=
    while [ $SECONDS -lt $end ]; do
        seen=$( (echo "$seen" | tr , '\n'
            xwd -silent -id "$1" 2>/dev/null | xwd_py 'print(*px(90, 10))') |
            grep . | sort -u | paste -sd, -)
        [ -n "${2:-}" ] && [ "$(echo "$seen" | tr , '\n' | wc -l)" -ge "$2" ] && break
        sleep "$(printf '0.%02d' $((RANDOM % 40)))"
    done
    echo "$seen"
}
BLINKING="255 124 62,255 255 135"

# No sound server may be started for this user behind the test's back.
mkdir -p "$HOME/.config/pulse"
echo 'autospawn = no' >"$HOME/.config/pulse/client.conf"

xmessage -geometry +600+500 "digitando" 2>>"$E2E_TMP/xmessage.log" &
started $!
typing_window() { xdotool search --name '^xmessage$' 2>/dev/null | head -n1 | grep .; }
check "a window to type in is shown" within 5 typing_window >/dev/null
typing=$(typing_window)
xdotool windowactivate --sync "$typing"

start_ready
check "both hidden notes ring within 10 s of start-up" wait_windows "$NV_PID" 2 10
check "the window the user types in keeps the focus" [ "$(xdotool getactivewindow)" = "$typing" ]
rang_today() { [ "$(ini_value "$DATA/Indice.cfg" TocouEm)" = "$(date +%d/%m/%Y)" ]; }
check "TocouEm holds today's date" within 3 rang_today
second=$(note_at 500,100)
seen=$(colours_seen "$second" 2)
check "it blinks: strip and text area colours take turns ($seen)" [ "$seen" = "$BLINKING" ]
xdotool mousemove --window "$second" 90 100 click 1
sleep 0.5
seen=$(colours_seen "$second")
check "clicked, it stops with its own strip colour ($seen)" [ "$seen" = "255 124 62" ]
seen=$(colours_seen "$(note_at 200,100)" 2)
check "the other still blinks ($seen)" [ "$seen" = "$BLINKING" ]

check "uninstall ends the program" uninstall_ends
stored=$(for k in Visivel Color1 Color2; do grep -a "^$k=" "$DATA/Indice.cfg" | tr -d '\r' | sort -u; done)
check "both notes are stored visible with their own colours: $(echo $stored)" \
    [ "$(echo $stored)" = "Visivel=True Color1=4095231 Color2=8912895" ]
told=$(grep -c 'não há saída de som' "$E2E_TMP/notavex.log")
qt=$(grep -c 'No audio device' "$E2E_TMP/notavex.log")
check "without a sound server the alarm's repeated sound is reported once ($told, Qt: $qt)" \
    [ "$told" = 1 -a "$qt" = 0 ]

echo "-- a sound server"
new_home sounds
mapfile -t lines < <(note 1 True 1)
write_folder 1 "${lines[@]}"
if ! start_pulse; then
    echo "SKIP: no sound server starts here:"
    tail -n 5 "$E2E_TMP/pulseaudio.log"
    finish
fi
pactl subscribe >"$E2E_TMP/sound-events" 2>&1 &
started $!
streams() { grep -c "'new' on sink-input" "$E2E_TMP/sound-events"; }
start_tray
logged=$(wc -l <"$E2E_TMP/notavex.log")
start_ready
check "the ringing alarm plays its sound within 10 s" within 10 eval '[ "$(streams)" -ge 1 ]'
xdotool mousemove --window "$(note_at 200,100)" 90 100 click 1
sleep 1
n=$(streams)
tray_menu 1 Down Return # Nova Nota
check "Nova Nota plays its sound" within 3 eval '[ "$(streams)" = $((n + 1)) ]'
check "the new note is shown" wait_windows "$NV_PID" 2 5
new=$(note_window_ids "$NV_PID" | grep -vx "$(note_at 200,100)")
n=$(streams)
xdotool windowraise "$new" sleep 0.3 mousemove --window "$new" 90 100 click 3 sleep 0.7
# Alarme, Título..., Opções, Sempre Visível, Ocultar, Imprimir, Excluir; "s" answers Sim.
xdotool key Down Down Down Down Down Down Down Return sleep 0.7 key s
check "deleting the note plays its sound" within 3 eval '[ "$(streams)" = $((n + 1)) ]'
check "and the note is gone" wait_windows "$NV_PID" 1 5
check "no complaint about sound with a server" eval \
    '! tail -n +$((logged + 1)) "$E2E_TMP/notavex.log" | grep -q "não há saída de som\|No audio"'
finish
