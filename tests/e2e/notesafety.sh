#!/usr/bin/env bash
# What the user wrote survives: huge notes, a kill after typing, the window manager's close, and
# notes that cannot be read (a FIFO among them) in a data folder that cannot be written.
source "$(dirname "$0")/common.bash" "$@"
RUN_AS=()

start_x
start_tray

# Starts the program (as the user RUN_AS names, if any), its pid in NV_PID and its standard error
# in stderr.log.
start_as_user() {
    "${RUN_AS[@]}" "$BIN" >>"$E2E_TMP/notavex.log" 2>"$E2E_TMP/stderr.log" &
    NV_PID=$!
    started $NV_PID
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
SIGTERM() { kill -TERM "$NV_PID"; }

# Clicks into the text of the note window and types there.
type_into() { # window, text
    xdotool mousemove --window "$1" 90 100 click 1 sleep 0.3 key ctrl+End type --delay 30 "$2"
}

# Each kind ends one way; the shutdown is the same code either way.
for run in plain:SIGTERM rtf:uninstall; do
    kind=${run%:*} how=${run#*:}
    echo "-- a huge note ($kind), then $how"
    new_home "huge-$kind"
    make_folder "$kind" 1
    cp "$DATA/notavex1.arl" "$E2E_TMP/huge.arl"
    start_as_user
    check "$kind: the note window is mapped" wait_windows "$NV_PID" 1 60
    sleep 3
    click_tray_icon 3
    check "$kind: the tray menu opens within 1 s" within 1 popup_shown
    xdotool key Escape
    sleep 0.3
    end_by "$NV_PID" "$how"
    check "$kind: $how ends the program within 5 s (${took} ms)" [ "$took" -lt 5000 ]
    check "$kind: after $how the note's file is as it was" cmp -s "$DATA/notavex1.arl" "$E2E_TMP/huge.arl"
done

echo "-- typing is saved without leaving the note, then the window manager closes it"
new_home welcome
start_as_user
check "the welcome note is mapped" wait_windows "$NV_PID" 1
type_into "$(note_window_ids "$NV_PID")" " autosalvo17"
sleep 5
check "what was typed 5 s before is in the note's file" \
    grep -q 'autosalvo17' <("$RTFDUMP" "$DATA/notavex1.arl")
xdotool windowactivate --sync "$(note_window_ids "$NV_PID")" key alt+F4
check "Alt+F4 unmaps it" wait_windows "$NV_PID" 0 5
sleep 1
check "the program keeps running" alive "$NV_PID"
end_by "$NV_PID" uninstall
check "uninstall ends the program (${took} ms)" [ "$took" -lt 5000 ]
check "the note is saved hidden" [ "$(ini_value "$DATA/Indice.cfg" Visivel)" = False ]
check "the note is still listed" file_is "$(ls "$DATA"/[Ii]ndice.dat)" ',1,\r\n'
check "its text is still there" grep -q 'gerenciar os seus recados' <("$RTFDUMP" "$DATA/notavex1.arl")

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

echo "-- notes that cannot be read, in a data folder that cannot be written"
new_home locked
make_folder small 2
# A FIFO, a link to /dev/zero and a 2 GiB sparse file as notes 3 to 5: neither waited for nor
# read whole nor written over.
mkfifo "$DATA/notavex3.arl"
ln -s /dev/zero "$DATA/notavex4.arl"
truncate -s 2G "$DATA/notavex5.arl"
printf ',1,2,3,4,5,\r\n' >"$DATA/indice.dat"
own_home
sums=$(cd "$DATA" && md5sum Indice.cfg indice.dat notavex[12].arl)
hostile_kept() {
    test -p "$DATA/notavex3.arl" && [ "$(readlink "$DATA/notavex4.arl")" = /dev/zero ] &&
        [ "$(stat -c %s "$DATA/notavex5.arl")" = 2147483648 ] &&
        [ "$(du -k "$DATA/notavex5.arl" | cut -f1)" -lt 1024 ]
}
chmod 200 "$DATA/notavex2.arl"
chmod 500 "$DATA"
start_as_user
# Notes 3 to 5 have no keys and may share a place: their windows are counted.
check "all five notes are mapped" within 20 eval '[ "$(note_window_ids "$NV_PID" | wc -l)" -eq 5 ]'
check "memory stays well under 1 GB" [ "$(awk '/^VmHWM:/ {print $2}' "/proc/$NV_PID/status")" -lt 1048576 ]
box_shown() { box=$(xdotool search --onlyvisible --pid "$NV_PID" --name '^Notavex$' | head -n1); [ -n "$box" ]; }
check "a message box says it cannot save there" within 5 box_shown
xdotool windowactivate --sync "$box" key Return
type_into "$(note_window_ids "$NV_PID" | head -n1)" " perdido23"
sleep 3
said=$(grep -c "^notavex: Não é possível salvar na pasta de dados \"$DATA\" (permissão negada)\." \
    "$E2E_TMP/stderr.log")
check "so does standard error, once ($said)" [ "$said" = 1 ]
names_them() { for n in 2 3 4 5; do grep -q "notavex$n\.arl" "$E2E_TMP/stderr.log" || return 1; done; }
check "and names each note it cannot read" names_them
end_by "$NV_PID" SIGTERM
check "SIGTERM ends the program (${took} ms)" [ "$took" -lt 5000 ]
check "with a non-zero status (got ${EXIT_STATUS:-?})" [ "${EXIT_STATUS:-0}" -ne 0 ]
check "standard error says the notes could not be saved ($(tail -c 300 "$E2E_TMP/stderr.log"))" \
    grep -qF "Não foi possível salvar as notas na pasta $DATA/" "$E2E_TMP/stderr.log"
chmod 700 "$DATA"
chmod 600 "$DATA/notavex2.arl"
check "the files are as they were" [ "$sums" = "$(cd "$DATA" && md5sum Indice.cfg indice.dat notavex[12].arl)" ]
check "the FIFO, the link and the sparse file too" hostile_kept

finish
