#!/usr/bin/env bash
# What the user wrote survives: huge notes, the window manager's close, a kill after typing,
# a note that cannot be read and a data folder that can no longer be written.
source "$(dirname "$0")/common.bash" "$@"
RTFDUMP="$BUILD_DIR/tools/rtfdump"
RUN_AS=()

start_x
start_wm
start_tray

# Starts the program (as the user RUN_AS names, if any); its standard error in stderr.log.
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

# A data folder with notes 1 to count; note 1 holds a 10 MB plain text, a 30 MB RTF text or
# a line of RTF, like every other note.
make_folder() { # kind (plain, rtf or small), count
    mkdir -p "$DATA"
    python3 - "$DATA" "$1" "$2" <<'PY'
import os, random, sys
data, kind, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
cfg = ["[Indice]", "TotalForms=%d" % count]
for n in range(1, count + 1):
    cfg += ["[%d]" % n, "Top=%d" % (1500 + 3000 * n), "Left=3000", "Tag=%d" % n,
            "Titulo=Nota %d" % n, "Visivel=True"]
open(os.path.join(data, "Indice.cfg"), "w", newline="").write("\r\n".join(cfg) + "\r\n")
open(os.path.join(data, "indice.dat"), "w", newline="").write(
    "," + ",".join(str(n) for n in range(1, count + 1)) + ",\r\n")
rng = random.Random(7)
words = ("casa reunião amanhã café pão leite comprar ligar médico escola trabalho "
         "conta pagar sábado feira lembrar aniversário viagem ônibus mercado").split()
def lines(size, prefix, end):
    out, total = [], 0
    while total < size:
        line = prefix + " ".join(rng.choice(words) for _ in range(12)) + end
        out.append(line)
        total += len(line)
    return "".join(out)
for n in range(1, count + 1):
    if kind == "plain" and n == 1:
        body = lines(10 << 20, "", "\r\n").encode("cp1252")
    elif kind == "rtf" and n == 1:
        head = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Arial;}}\\pard\\f0\\fs20 "
        words = [w.encode("cp1252").decode("latin-1") for w in words]
        text = lines(30 << 20, "", "\\par\r\n")
        body = (head + "".join("\\'%02x" % ord(c) if ord(c) > 127 else c for c in text)
                + "}\r\n").encode("ascii")
    else:
        body = ("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Arial;}}\\pard\\f0\\fs20 "
                "Nota %d: lembrar do p\\'e3o\\par\r\n}\r\n" % n).encode("ascii")
    open(os.path.join(data, "notavex%d.arl" % n), "wb").write(body)
PY
}

# A window of the program not among those before is shown within the seconds given.
new_window_within() { # pid, seconds, windows before
    local _
    for _ in $(seq $(($2 * 10))); do
        [ -n "$(comm -13 <(echo "$3") <(xdotool search --onlyvisible --pid "$1" 2>/dev/null | sort))" ] &&
            return 0
        sleep 0.1
    done
    return 1
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
        pid=$NV_PID
        check "$kind: the note window is mapped" wait_windows "$pid" 1 60
        sleep 3
        if [ "$how" = uninstall ]; then
            before=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | sort)
            click_tray_icon 3
            check "$kind: the tray menu opens within 1 s" new_window_within "$pid" 1 "$before"
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
pid=$NV_PID
check "the welcome note is mapped" wait_windows "$pid" 1
xdotool windowactivate --sync "$(note_window_ids "$pid")" key alt+F4
check "Alt+F4 unmaps it" wait_windows "$pid" 0 5
sleep 1
check "the program keeps running" alive "$pid"
for run in "closed" "restarted"; do
    if [ "$run" = restarted ]; then
        start_as_user
        pid=$NV_PID
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
pid=$NV_PID
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
pid=$NV_PID
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
pid=$NV_PID
check "both notes are mapped" wait_windows "$pid" 2
sums=$(cd "$DATA" && md5sum Indice.cfg indice.dat notavex*.arl)
chmod 500 "$DATA"
type_into "$(note_window_ids "$pid" | head -n1)" " perdido23"
sleep 3
boxes=$(xdotool search --onlyvisible --name '^Notavex$' 2>/dev/null | wc -l)
echo "   (windows titled Notavex shown: $boxes)"
end_by "$pid" kill -TERM "$pid"
check "SIGTERM ends the program (${took} ms)" [ "$took" -lt 5000 ]
check "with a non-zero status (got ${EXIT_STATUS:-?})" [ "${EXIT_STATUS:-0}" -ne 0 ]
check "standard error names the data folder ($(tail -c 300 "$E2E_TMP/stderr.log"))" \
    grep -qF "$DATA" "$E2E_TMP/stderr.log"
chmod 700 "$DATA"
check "the files are as they were" [ "$sums" = "$(cd "$DATA" && md5sum Indice.cfg indice.dat notavex*.arl)" ]

finish
