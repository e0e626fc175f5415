#!/usr/bin/env bash
# Every way of ending the running copy saves the notes: "uninstall", SIGTERM, SIGHUP, and the X
# server going away.
source "$(dirname "$0")/common.bash" "$@"
RTFDUMP="$BUILD_DIR/tools/rtfdump"

start_x
XVFB_PID=${STARTED_PIDS[-1]}
start_wm
new_home user

# Damages the list and the count so that only a real save puts them right.
spoil_saved_state() {
    rm -f "$DATA"/[Ii]ndice.dat
    sed -i 's/^TotalForms=.*/TotalForms=7\r/' "$DATA/Indice.cfg"
}

# The welcome note is the one note: saved, it is listed and counted again.
saved_state_ok() {
    file_is "$DATA/indice.dat" ',1,\r\n' && [ "$(ini_value "$DATA/Indice.cfg" TotalForms)" = 1 ]
}

echo "-- uninstall"
start_notavex
running=$NV_PID
check "program becomes ready" wait_ready "$running"
spoil_saved_state
t0=$(now_ms)
# An uninstaller need not share the session's runtime folder.
env -u XDG_RUNTIME_DIR timeout 10 "$BIN" uninstall >>"$E2E_TMP/notavex.log" 2>&1
status=$?
took=$(($(now_ms) - t0))
check "uninstalling copy ends in well under a second (${took} ms)" [ "$took" -lt 800 ]
check "uninstalling copy exits with status 0 (got $status)" [ "$status" -eq 0 ]
check "running copy ends" ended_within "$running" 5
check "running copy ended normally (status ${EXIT_STATUS:-?})" [ "${EXIT_STATUS:-1}" -eq 0 ]
check "running copy saved: TotalForms 1 and the list ,1," saved_state_ok

# SIGHUP: the session went away.
for signal in TERM HUP; do
    echo "-- SIG$signal"
    start_notavex
    running=$NV_PID
    check "program becomes ready again" wait_ready "$running"
    spoil_saved_state
    kill -"$signal" "$running"
    check "SIG$signal ends the program" ended_within "$running" 5
    check "it ended normally (status ${EXIT_STATUS:-?})" [ "${EXIT_STATUS:-1}" -eq 0 ]
    check "SIG$signal saved the notes" saved_state_ok
done

echo "-- uninstall with no copy running writes nothing"
new_home nobody
touch "$E2E_TMP/marker"
sleep 0.01
t0=$(now_ms)
timeout 10 "$BIN" uninstall >>"$E2E_TMP/notavex.log" 2>&1
took=$(($(now_ms) - t0))
check "uninstall alone ends quickly (${took} ms)" [ "$took" -lt 800 ]
check "no data folder was created" test ! -e "$DATA"
check "nothing in the home folder changed" \
    [ -z "$(find "$HOME" -newer "$E2E_TMP/marker" -print -quit)" ]


echo "-- the X server goes away 0.5 s after typing, before the typing pause would save"
new_home lost
"$BIN" >"$E2E_TMP/lost.out" 2>"$E2E_TMP/lost.err" &
running=$!
started "$running"
check "program becomes ready" wait_ready "$running"
check "its welcome note is shown" wait_windows "$running" 1
IFS=, read -r x y < <(note_windows "$running")
# Plain letters: xdotool types others by remapping keys.
xdotool mousemove $((x + 90)) $((y + 150)) click 1 sleep 0.3 type --delay 20 ' Perdido 4711'
sleep 0.5
kill -KILL "$XVFB_PID"
wait "$XVFB_PID" 2>/dev/null
check "the program ends" ended_within "$running" 5
check "with status 1 (got ${EXIT_STATUS:-?})" [ "${EXIT_STATUS:-0}" -eq 1 ]
check "saying so in one line on standard error ($(paste -sd'|' "$E2E_TMP/lost.err"))" \
    eval '[ "$(wc -l <"$E2E_TMP/lost.err")" -eq 1 ] &&
        grep -q "conexão com a tela foi perdida; as notas foram salvas" "$E2E_TMP/lost.err"'
# No display to read the file with now.
text=$(QT_QPA_PLATFORM=offscreen "$RTFDUMP" "$DATA/notavex1.arl" 2>/dev/null)
check "the typed text is on disk ($(tail -n1 <<<"$text" | tail -c 60))" grep -q ' Perdido 4711' <<<"$text"

start_x
start_wm
"$BIN" >"$E2E_TMP/lost.out" 2>"$E2E_TMP/lost.err" &
running=$!
started "$running"
check "a new start on a new X server is not refused" wait_ready "$running"
check "and says nothing ($(paste -sd'|' "$E2E_TMP/lost.err"))" [ ! -s "$E2E_TMP/lost.err" ]
check "it shows the note" wait_windows "$running" 1
kill -TERM "$running"
check "which still holds the typed text when saved again" \
    eval 'ended_within "$running" 5 && grep -q " Perdido 4711" <("$RTFDUMP" "$DATA/notavex1.arl")'

finish
