#!/usr/bin/env bash
# What the user wrote survives: huge notes, the window manager's close, a kill after typing,
# a note that cannot be read and a data folder that can no longer be written.
source "$(dirname "$0")/common.bash" "$@"
RTFDUMP="$BUILD_DIR/tools/rtfdump"
RUN_AS=()

start_x
start_wm
start_tray

# Starts the program (as the user RUN_AS names, if any), its pid in pid and its standard error
# in stderr.log.
start_as_user() {
    "${RUN_AS[@]}" "$BIN" >>"$E2E_TMP/notavex.log" 2>"$E2E_TMP/stderr.log" &
    pid=$!
    started $pid
}

# Runs the command that follows and waits up to 5 s for process $1 to end; took holds the
# milliseconds it needed, or 99999 (and the process is killed, to leave the next start alone).
end_by() { # pid, command...
    local pid=$1 t0
    shift
    t0=$(now_ms)
    "$@" >>"$E2E_TMP/notavex.log" 2>&1
    ended_within "$pid" 5 && took=$(($(now_ms) - t0)) && return
    took=99999
    { kill -KILL "$pid"; ended_within "$pid" 5; } 2>/dev/null
}
uninstall() { timeout 5 "${RUN_AS[@]}" "$BIN" uninstall; }

# A window of the program not among those before is shown.
new_window() { # pid, windows before
    [ -n "$(comm -13 <(echo "$2") <(xdotool search --onlyvisible --pid "$1" 2>/dev/null | sort))" ]
}

# Clicks into the text of the note window and types there.
type_into() { # window, text
    xdotool mousemove --window "$1" 90 100 click 1 sleep 0.3 key ctrl+End type --delay 30 "$2"
}

for kind in plain rtf; do
    echo "-- a huge note ($kind)"
    new_home "huge-$kind"
    make_folder "$kind" 1
    cp "$DATA/notavex1.arl" "$E2E_TMP/huge.arl"
    for how in uninstall SIGTERM; do
        start_as_user
        check "$kind: the note window is mapped" wait_windows "$pid" 1 60
        sleep 3
        if [ "$how" = uninstall ]; then
            before=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | sort)
            click_tray_icon 3
            check "$kind: the tray menu opens within 1 s" within 1 new_window "$pid" "$before"
            xdotool key Escape
            sleep 0.3
            end_by "$pid" uninstall
        else
            end_by "$pid" kill -TERM "$pid"
        fi
        check "$kind: $how ends the program within 5 s (${took} ms)" [ "$took" -lt 5000 ]
        check "$kind: after $how the note's file is as it was" cmp -s "$DATA/notavex1.arl" "$E2E_TMP/huge.arl"
    done
done

echo "-- the window manager closes a note"
new_home wmclose
start_as_user
check "the welcome note is mapped" wait_windows "$pid" 1
xdotool windowactivate --sync "$(note_window_ids "$pid")" key alt+F4
check "Alt+F4 unmaps it" wait_windows "$pid" 0 5
sleep 1
check "the program keeps running" alive "$pid"
for run in "closed" "restarted"; do
    if [ "$run" = restarted ]; then
        start_as_user
        check "$run: program becomes ready" wait_ready "$pid"
        sleep 2
        check "$run: the note stays hidden" [ -z "$(note_window_ids "$pid")" ]
    fi
    end_by "$pid" uninstall
    check "$run: uninstall ends the program (${took} ms)" [ "$took" -lt 5000 ]
    check "$run: the note is saved hidden" [ "$(ini_value "$DATA/Indice.cfg" Visivel)" = False ]
    check "$run: the note is still listed" file_is "$(ls "$DATA"/[Ii]ndice.dat)" ',1,\r\n'
    check "$run: its text is still there" grep -q 'gerenciar os seus recados' <("$RTFDUMP" "$DATA/notavex1.arl")
done

echo "-- typing is saved without leaving the note"
new_home autosave
start_as_user
check "the welcome note is mapped" wait_windows "$pid" 1
type_into "$(note_window_ids "$pid")" " autosalvo17"
sleep 5
{ kill -KILL "$pid"; ended_within "$pid" 5; } 2>/dev/null
check "what was typed 5 s before a kill is in the note's file" \
    grep -q 'autosalvo17' <("$RTFDUMP" "$DATA/notavex1.arl")

echo "-- an ordinary user"
if [ "$(id -u)" -eq 0 ]; then
    # Root reads and writes whatever the modes say: the program must run as someone else.
    if ! id nvtest >/dev/null 2>&1; then
        useradd -M -d /nonexistent -s /usr/sbin/nologin nvtest || exit 1
        trap 'cleanup; userdel nvtest' EXIT
    fi
    RUN_AS=(setpriv --reuid=nvtest --regid=nvtest --init-groups)
    chmod 711 "$E2E_TMP"
fi
own_home() { [ ${#RUN_AS[@]} -eq 0 ] || chown -R nvtest: "$HOME"; }

echo "-- a note that cannot be read"
new_home unreadable
make_folder small 2
own_home
cp "$DATA/notavex2.arl" "$E2E_TMP/note2.arl"
chmod 200 "$DATA/notavex2.arl"
start_as_user
check "both notes are mapped" wait_windows "$pid" 2
end_by "$pid" uninstall
check "uninstall ends the program (${took} ms)" [ "$took" -lt 5000 ]
chmod 600 "$DATA/notavex2.arl"
check "the unreadable file is as it was" cmp -s "$DATA/notavex2.arl" "$E2E_TMP/note2.arl"
check "its note is still listed ($(tr -d "\r" <"$DATA/indice.dat"))" grep -q ',2,' "$DATA/indice.dat"
check "standard error names it ($(head -c 200 "$E2E_TMP/stderr.log"))" \
    grep -q 'notavex2\.arl' "$E2E_TMP/stderr.log"

echo "-- a data folder that can no longer be written"
new_home unwritable
make_folder small 2
own_home
start_as_user
check "both notes are mapped" wait_windows "$pid" 2
sums=$(cd "$DATA" && md5sum Indice.cfg indice.dat notavex*.arl)
chmod 500 "$DATA"
type_into "$(note_window_ids "$pid" | head -n1)" " perdido23"
sleep 3
end_by "$pid" kill -TERM "$pid"
check "SIGTERM ends the program (${took} ms)" [ "$took" -lt 5000 ]
check "with a non-zero status (got ${EXIT_STATUS:-?})" [ "${EXIT_STATUS:-0}" -ne 0 ]
check "standard error names the data folder ($(tail -c 300 "$E2E_TMP/stderr.log"))" \
    grep -qF "$DATA" "$E2E_TMP/stderr.log"
chmod 700 "$DATA"
check "the files are as they were" [ "$sums" = "$(cd "$DATA" && md5sum Indice.cfg indice.dat notavex*.arl)" ]

finish
