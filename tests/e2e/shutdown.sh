#!/usr/bin/env bash
# Every way of ending the running copy saves the notes: "uninstall", SIGTERM, SIGHUP, X gone.
source "$(dirname "$0")/common.bash" "$@"

start_x
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

# SIGHUP: the session went away.
for how in uninstall SIGTERM SIGHUP; do
    echo "-- $how"
    start_ready
    spoil_saved_state
    if [ "$how" = uninstall ]; then
        t0=$(now_ms)
        # An uninstaller need not share the session's runtime folder.
        env -u XDG_RUNTIME_DIR timeout 10 "$BIN" uninstall >>"$E2E_TMP/notavex.log" 2>&1
        status=$?
        took=$(($(now_ms) - t0))
        check "uninstalling copy ends in well under a second (${took} ms)" [ "$took" -lt 800 ]
        check "uninstalling copy exits with status 0 (got $status)" [ "$status" -eq 0 ]
    else
        kill -"${how#SIG}" "$NV_PID"
    fi
    check "$how ends the running copy" ended_within "$NV_PID" 5
    check "it ended normally (status ${EXIT_STATUS:-?})" [ "${EXIT_STATUS:-1}" -eq 0 ]
    check "$how saved the notes: TotalForms 1 and the list ,1," saved_state_ok
done

echo "-- SIGTERM while a thousand notes load"
new_home many
make_folder small 1000
sums=$(cd "$DATA" && md5sum notavex*.arl)
start_ready
t0=$(now_ms)
kill -TERM "$NV_PID"
check "SIGTERM ends it" ended_within "$NV_PID" 5
took=$(($(now_ms) - t0))
check "within a second, mid-load (${took} ms)" [ "$took" -lt 1000 ]
check "the thousand notes are still listed" \
    [ "$(tr -d '\r' <"$DATA/indice.dat" | tr ',' '\n' | grep -c .)" = 1000 ]
check "no note file changed" [ "$sums" = "$(cd "$DATA" && md5sum notavex*.arl)" ]

echo "-- the X server goes away 0.5 s after typing, before the typing pause would save"
use_home "$E2E_TMP/user"
"$BIN" >/dev/null 2>"$E2E_TMP/lost.err" &
running=$! && started $running
check "program becomes ready" eval 'wait_ready $running && wait_windows $running 1'
IFS=, read -r x y < <(note_windows "$running")
xdotool mousemove $((x + 90)) $((y + 150)) click 1 sleep 0.3 type ' Perdido 4711' sleep 0.5
kill -KILL "$XVFB_PID" && wait "$XVFB_PID" 2>/dev/null
check "the program ends" ended_within "$running" 5
check "with status 1 (got ${EXIT_STATUS:-?}) and one line ($(paste -sd'|' "$E2E_TMP/lost.err"))" \
    eval '[ "${EXIT_STATUS:-0}" = 1 ] && [ "$(wc -l <"$E2E_TMP/lost.err")" = 1 ] &&
        grep -q "conexão com a tela foi perdida; as notas foram salvas" "$E2E_TMP/lost.err"'
check "the typed text is on disk" eval 'QT_QPA_PLATFORM=offscreen "$BUILD_DIR/tools/rtfdump" \
    "$DATA/notavex1.arl" | grep -q " Perdido 4711"' # no display to read it with now
start_x
"$BIN" >/dev/null 2>"$E2E_TMP/lost.err" &
running=$! && started $running
check "a new start on a new X server is not refused" wait_ready "$running"
check "and shows the note, silently" eval 'wait_windows $running 1 && [ ! -s "$E2E_TMP/lost.err" ]'

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

finish
