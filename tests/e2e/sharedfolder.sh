#!/usr/bin/env bash
# Another program writes into the data folder while Notavex runs: it adds a note, rewrites one,
# deletes one, and rewrites one the user is typing in. Every text ends on screen and on disk.
source "$(dirname "$0")/common.bash" "$@"
RTFDUMP="$BUILD_DIR/tools/rtfdump"

start_x
start_wm

text_of() { "$RTFDUMP" "$1" 2>/dev/null | tr -d '\r'; }
# A note file written by another program: replaced whole, as synchronisation tools do.
outside_write() { # path, text
    printf '{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 %s\\par\r\n}\r\n' "$2" >"$1.part"
    mv "$1.part" "$1"
}
window_at() { # pid, "X,Y"
    local w
    for w in $(note_window_ids "$1"); do
        xwininfo -id "$w" | awk -v want="$2" -v id="$w" '
            /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
            END { if (x "," y == want) print id }'
    done
}
texts_in_folder() { for f in "$DATA"/notavex*.arl; do text_of "$f"; done | sort; }

new_home shared
make_folder small 2
start_notavex
check "both notes are mapped" wait_windows "$NV_PID" 2
sleep 1
note1=$(window_at "$NV_PID" 30,80)
check "note 1 is at its place" [ -n "$note1" ]
before=$(xwd -silent -id "$note1" | md5sum | cut -d' ' -f1)

echo "-- another program adds note 3"
outside_write "$DATA/notavex3.arl" "de outro programa"
printf '[3]\r\nTop=4500\r\nLeft=6000\r\nTitulo=Chegou\r\nVisivel=True\r\n' >>"$DATA/Indice.cfg"
t0=$(now_ms)
check "it is mapped within 2 s" wait_windows "$NV_PID" 3 2
echo "   ($(($(now_ms) - t0)) ms)"
check "at its stored place" [ -n "$(window_at "$NV_PID" 400,300)" ]

echo "-- another program rewrites note 1"
outside_write "$DATA/notavex1.arl" "reescrita por fora"
check "note 1 looks different within 2 s" within 2 \
    bash -c "[ \"\$(xwd -silent -id $note1 | md5sum | cut -d' ' -f1)\" != $before ]"

echo "-- another program deletes note 2's file"
rm "$DATA/notavex2.arl"
sleep 1.5
check "note 2 stays on the screen" wait_windows "$NV_PID" 3 1

echo "-- the user types in note 1 while another program rewrites it"
xdotool mousemove --window "$note1" 90 45 click 1 sleep 0.3 key ctrl+End type --delay 30 " digitado"
outside_write "$DATA/notavex1.arl" "outra versao"
check "the other version is a note of its own within 2 s" wait_windows "$NV_PID" 4 3

timeout 5 "$BIN" uninstall >>"$E2E_TMP/notavex.log" 2>&1
check "uninstall ends the program" ended_within "$NV_PID" 5
texts=$(texts_in_folder)
check "the added note kept its text" grep -qx "de outro programa" <<<"$texts"
check "the deleted file is back" test -f "$DATA/notavex2.arl"
typed=$(grep -l digitado "$DATA"/notavex*.arl | head -n1)
check "the user's typing is saved with the text it was typed into" \
    grep -q "reescrita por fora" <<<"$(text_of "$typed")"
check "and the other version beside it" grep -qx "outra versao" <<<"$texts"
check "its title says so" env LC_ALL=C grep -aq "^Titulo=Nota 1 a..o (conflito)" "$DATA/Indice.cfg"
finish
