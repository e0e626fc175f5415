#!/usr/bin/env bash
# Two computers share the notes folder through a real synchronisation engine: two Syncthing
# instances on localhost each keep one home's folder, and a copy of Notavex runs for each home on
# the one display. A note made on one side shows on the other; one note edited on both at once,
# and two notes made on both at once, keep every text on both sides.
source "$(dirname "$0")/common.bash" "$@"
WATCH_DELAY=1 # Syncthing's default is 10 s

command -v syncthing >/dev/null || { echo "SKIP: syncthing is not installed"; exit 0; }
command -v curl >/dev/null || { echo "SKIP: curl is not installed"; exit 0; }
# Four free ports on the loopback interface, or none when it cannot be used.
read -r -a PORTS < <(python3 -c 'import socket
ss = [socket.socket() for _ in range(4)]
for s in ss: s.bind(("127.0.0.1", 0))
ss[0].listen(); c = socket.create_connection(ss[0].getsockname(), timeout=2)
print(*(s.getsockname()[1] for s in ss))' 2>/dev/null)
[ "${#PORTS[@]}" = 4 ] || { echo "SKIP: no loopback network for syncthing"; exit 0; }

declare -A HOMES PIDS PORT=([a]=${PORTS[0]} [b]=${PORTS[1]}) GUI=([a]=${PORTS[2]} [b]=${PORTS[3]})
KEY=notavex-e2e-key
for s in a b; do
    new_home "$s"
    HOMES[$s]=$HOME
    mkdir -p "$DATA/.stfolder"
    syncthing generate --home "$E2E_TMP/st-$s" --no-default-folder --skip-port-probing \
        >"$E2E_TMP/st-$s.log" 2>&1 || { echo "SKIP: syncthing cannot run"; exit 0; }
done
python3 - "$E2E_TMP" "$KEY" "$WATCH_DELAY" "${PORTS[@]}" <<'PY'
import sys, xml.etree.ElementTree as ET
tmp, key, delay, ports = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
sides = {"a": (ports[0], ports[2]), "b": (ports[1], ports[3])}
trees = {s: ET.parse(f"{tmp}/st-{s}/config.xml") for s in sides}
ids = {s: t.getroot().find("device").get("id") for s, t in trees.items()}
for s, tree in trees.items():
    root = tree.getroot()
    for d in root.findall("device"):
        root.remove(d)
    opts = root.find("options")
    opts.find("listenAddress").text = f"tcp://127.0.0.1:{sides[s][0]}"
    for name, value in [("globalAnnounceEnabled", "false"), ("localAnnounceEnabled", "false"),
                        ("relaysEnabled", "false"), ("natEnabled", "false"), ("startBrowser", "false"),
                        ("crashReportingEnabled", "false"), ("urAccepted", "-1"),
                        ("autoUpgradeIntervalH", "0")]:
        opts.find(name).text = value
    gui = root.find("gui")
    gui.find("address").text = f"127.0.0.1:{sides[s][1]}"
    gui.find("apikey").text = key
    folder = ET.SubElement(root, "folder", id="notes", path=f"{tmp}/{s}/Documents/Notavex",
                           type="sendreceive", rescanIntervalS="5", fsWatcherEnabled="true",
                           fsWatcherDelayS=delay)
    for peer, pid in ids.items():
        ET.SubElement(folder, "device", id=pid)
        dev = ET.SubElement(root, "device", id=pid, name=peer)
        ET.SubElement(dev, "address").text = f"tcp://127.0.0.1:{sides[peer][0]}"
    ET.SubElement(folder, "minDiskFree", unit="%").text = "0"
    # A folder made here gets none of the defaults: without this one Syncthing keeps no conflict
    # copy and the older of two edits is simply gone.
    ET.SubElement(folder, "maxConflicts").text = "10"
    tree.write(f"{tmp}/st-{s}/config.xml")
    open(f"{tmp}/id-{s}", "w").write(ids[s])
PY
declare -A ID=([a]=$(cat "$E2E_TMP/id-a") [b]=$(cat "$E2E_TMP/id-b"))
ST_PIDS=()
# Each instance hands the signal to a worker of its own: both are waited for, or killed.
stop_syncthing() {
    local p kids=()
    for p in "${ST_PIDS[@]}"; do
        kids+=($(pgrep -P "$p"))
        kill -TERM "$p" 2>/dev/null
    done
    for p in "${ST_PIDS[@]}" "${kids[@]}"; do
        ended_within "$p" 10 || kill -KILL "$p" 2>/dev/null
    done
}
trap 'stop_syncthing; cleanup' EXIT
for s in a b; do
    HOME=$E2E_TMP STNORESTART=1 syncthing serve --home "$E2E_TMP/st-$s" --no-browser --no-upgrade \
        --gui-address "127.0.0.1:${GUI[$s]}" >>"$E2E_TMP/st-$s.log" 2>&1 &
    ST_PIDS+=($!)
done
rest() { curl -s -m 5 -H "X-API-Key: $KEY" "http://127.0.0.1:${GUI[$1]}/rest/$2"; }
json() { python3 -c "import json, sys; d = json.load(sys.stdin); sys.exit(not ($1))" 2>/dev/null; }
connected() { rest a system/connections | json "d['connections']['${ID[b]}']['connected']"; }
idle() { # side
    rest "$1" 'db/status?folder=notes' | json "d['state'] == 'idle' and d['needTotalItems'] == 0"
}
sums() { (cd "$1" && md5sum Indice.cfg indice.dat notavex*.arl 2>/dev/null); }
in_step() { idle a && idle b && [ "$(sums "${HOMES[a]}/Documents/Notavex")" = "$(sums "${HOMES[b]}/Documents/Notavex")" ]; }
# Both sides alike and idle, and still so a while later: the programs have nothing left to do.
settled() { in_step && sleep 3 && in_step; }
settles() { # seconds
    local end=$(($(now_ms) + $1 * 1000))
    until settled; do
        [ "$(now_ms)" -lt "$end" ] || return 1
        sleep 0.5
    done
}

check "the two Syncthing instances connect within 60 s" within 60 connected
[ "$FAILURES" = 0 ] || { tail -n 20 "$E2E_TMP"/st-*.log; finish; }

start_x
start_tray
use_home "${HOMES[a]}"
make_folder small 1 # note 1 at 30,80
check "note 1 reaches side b and the folders settle within 60 s" settles 60
for s in a b; do
    use_home "${HOMES[$s]}"
    start_ready
    PIDS[$s]=$NV_PID
    check "and shows note 1" wait_windows "$NV_PID" 1
done

texts_of() { # side: each note file's name and text, one a line
    local f
    for f in "${HOMES[$1]}"/Documents/Notavex/notavex*.arl; do
        echo "${f##*/}: $("$RTFDUMP" "$f" 2>/dev/null | tr -d '\r' | paste -sd' ')"
    done
}
type_into() { # window, text: typed at the end of the note's text
    xdotool windowactivate --sync "$1" mousemove --window "$1" 90 45 click 1 sleep 0.3 \
        key ctrl+End type --delay 30 "$2"
}
new_note() { # side: "Nova Nota" from the copy's tray menu; the new window's id in NEW
    local before
    NV_PID=${PIDS[$1]}
    before=$(note_window_ids "$NV_PID")
    tray_menu 1 Down Return
    wait_windows "$NV_PID" $(($(wc -l <<<"$before") + 1)) 5
    NEW=$(comm -13 <(echo "$before") <(note_window_ids "$NV_PID"))
}
windows_are() { wait_windows "${PIDS[a]}" "$1" 60 && wait_windows "${PIDS[b]}" "$1" 5; }
a1=$(note_window_ids "${PIDS[a]}")
b1=$(note_window_ids "${PIDS[b]}")
echo "Syncthing's file watcher delay: ${WATCH_DELAY} s"

echo "-- a makes a note"
new_note a
check "a shows a new note" [ -n "$NEW" ]
type_into "$NEW" "nota de a"
check "a saves it within 10 s" within 10 eval 'texts_of a | grep -q "nota de a"'
t0=$(now_ms)
check "b shows it within 30 s" wait_windows "${PIDS[b]}" 2 30
echo "   (a's save to b's screen: $(($(now_ms) - t0)) ms)"
bn=$(comm -13 <(echo "$b1") <(note_window_ids "${PIDS[b]}"))
check "at the place a shows it ($(position_of "$NEW"))" \
    within 5 eval '[ "$(position_of "$bn")" = "$(position_of "$NEW")" ]'
check "the folders settle within 60 s" settles 60

echo "-- a and b type into note 1 at once"
type_into "$a1" " alfa"
type_into "$b1" " beta"
xdotool windowactivate "$a1" # b's note is left: saved at once, as a's was
t0=$(now_ms)
check "both screens show a note for each text (3 notes) within 60 s" windows_are 3
echo "   (b's save to both screens: $(($(now_ms) - t0)) ms)"
check "the folders settle within 60 s" settles 60
check "and each shows 3 notes still" windows_are 3

echo "-- a and b each make a note at once"
new_note a
na=$NEW
new_note b
nb=$NEW
type_into "$na" "nova de a"
type_into "$nb" "nova de b"
xdotool windowactivate "$a1"
t0=$(now_ms)
check "both screens show both new notes (5 notes) within 60 s" windows_are 5
echo "   (the saves to both screens: $(($(now_ms) - t0)) ms)"
check "the folders settle within 60 s" settles 60
check "and each shows 5 notes still" windows_are 5

for s in a b; do
    use_home "${HOMES[$s]}"
    check "uninstall ends copy $s" uninstall_ends "${PIDS[$s]}"
done
check "the folders settle within 60 s" settles 60
for s in a b; do
    texts=$(texts_of "$s")
    for word in "nota de a" alfa beta "nova de a" "nova de b"; do
        check "$s's folder holds \"$word\" in one note" [ "$(grep -c "$word" <<<"$texts")" = 1 ]
    done
done
check "the conflict has its title" env LC_ALL=C grep -aq "^Titulo=Nota 1 a..o (conflito)" \
    "${HOMES[a]}/Documents/Notavex/Indice.cfg"
if [ "$FAILURES" -gt 0 ]; then
    for s in a b; do echo "$s's notes:" && texts_of "$s" && ls -A "${HOMES[$s]}/Documents/Notavex"; done
fi
finish
