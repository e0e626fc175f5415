# Shared by the end-to-end scripts: a private X server, a fresh home folder, checks and clean-up.
# Sourced, not run; every script is run as `bash script BUILD_DIR`.

set -u

BUILD_DIR=$(cd "${1:?usage: bash $0 BUILD_DIR}" && pwd)
BIN="$BUILD_DIR/notavex"
RTFDUMP="$BUILD_DIR/tools/rtfdump"
[ -x "$BIN" ] || { echo "FAIL: no program at $BIN"; exit 1; }

E2E_TMP=$(mktemp -d /tmp/notavex-e2e.XXXXXX)
STARTED_PIDS=()
FAILURES=0

cleanup() {
    local pid
    for pid in "${STARTED_PIDS[@]}"; do
        kill -TERM "$pid" 2>/dev/null
    done
    sleep 0.2
    for pid in "${STARTED_PIDS[@]}"; do
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    rm -rf "$E2E_TMP"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

check() { # description, command...
    local what=$1
    shift
    if "$@"; then
        echo "PASS: $what"
    else
        echo "FAIL: $what"
        FAILURES=$((FAILURES + 1))
    fi
}

finish() {
    if [ "$FAILURES" -gt 0 ]; then
        echo "$FAILURES check(s) failed"
        exit 1
    fi
    echo "all checks passed"
    exit 0
}

started() { STARTED_PIDS+=("$1"); }

# A user with a documents folder, as a desktop session would have.
new_home() { # name
    local home="$E2E_TMP/$1"
    mkdir -p "$home/Documents" "$home/.config" "$home/run"
    chmod 700 "$home/run"
    echo 'XDG_DOCUMENTS_DIR="$HOME/Documents"' >"$home/.config/user-dirs.dirs"
    use_home "$home"
}

use_home() {
    export HOME=$1
    export XDG_RUNTIME_DIR="$HOME/run"
    unset XDG_CONFIG_HOME XDG_DATA_HOME
    DATA="$HOME/Documents/Notavex"
}

# A private X server with openbox; its pid in XVFB_PID.
start_x() {
    local fdfile
    fdfile=$(mktemp "$E2E_TMP/display.XXXXXX") # a second server must not read the first one's
    # With XVFB_FBDIR set, the screen as shown is also kept there as the file Xvfb_screen0 (xwd).
    Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 ${XVFB_FBDIR:+-fbdir "$XVFB_FBDIR"} \
        3>"$fdfile" >"$E2E_TMP/xvfb.log" 2>&1 &
    XVFB_PID=$!
    started $XVFB_PID
    within 5 test -s "$fdfile" || { echo "FAIL: Xvfb did not start"; exit 1; }
    export DISPLAY=":$(head -n1 "$fdfile")"
    export QT_QPA_PLATFORM=xcb
    # No desktop bus: the tray must be the X11 one this script controls.
    unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY SESSION_MANAGER
    within 5 eval 'xdpyinfo >/dev/null 2>&1' || { echo "FAIL: no display $DISPLAY"; exit 1; }
    openbox --sm-disable >"$E2E_TMP/openbox.log" 2>&1 &
    started $!
    sleep 0.3
}

start_tray() {
    trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
        >"$E2E_TMP/trayer.log" 2>&1 &
    TRAYER_PID=$!
    started $TRAYER_PID
}

# Starts the program in the background; its pid in NV_PID.
start_notavex() {
    "$BIN" "$@" >>"$E2E_TMP/notavex.log" 2>&1 &
    NV_PID=$!
    started $NV_PID
}

start_ready() { # arguments...
    start_notavex "$@"
    check "the program becomes ready" wait_ready "$NV_PID"
}

# Ends the running copy the way an uninstaller does; true once it has ended.
uninstall_ends() { # [pid]
    timeout 10 "$BIN" uninstall >>"$E2E_TMP/notavex.log" 2>&1
    ended_within "${1:-$NV_PID}" 10
}

# True while a copy listens for requests for the folder, on a name made of the user and the
# folder's device and inode.
listening() { # folder ($DATA unless given)
    local id
    id=$(stat -L -c '%d-%i' "${1:-$DATA}" 2>/dev/null) &&
        grep -q " @notavex-$(id -u)-$id\$" /proc/net/unix
}

# The program is ready once its data folder exists and it listens for requests.
wait_ready() { within 15 listening_or_gone "$1" && sleep 0.3 && alive "$1"; } # pid
listening_or_gone() { listening || gone "$1"; }

alive() { kill -0 "$1" 2>/dev/null; }

# True once the command succeeds, tried for up to the seconds given.
within() { # seconds, command...
    local i
    for i in $(seq $(($1 * 10))); do
        "${@:2}" && return 0
        sleep 0.1
    done
    return 1
}

# Waits up to $2 seconds for process $1 to end; its exit status in EXIT_STATUS.
ended_within() {
    within "$2" gone "$1" || return 1
    wait "$1" 2>/dev/null
    EXIT_STATUS=$?
    return 0
}
gone() { ! alive "$1"; }

file_is() { # path, printf format of the expected bytes
    [ "$(od -An -c "$1" 2>/dev/null)" = "$(printf "$2" | od -An -c)" ]
}

ini_value() { # file, key: the value with the CR removed
    grep -a "^$2=" "$1" 2>/dev/null | head -n1 | cut -d= -f2- | tr -d '\r'
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Ids of the program's mapped windows of a note's size (182x198 unless given), one a line.
note_window_ids() { # pid, [width height]
    local w ids i
    # A window destroyed while xdotool looks (a tool tip going away) ends its search with nothing.
    for i in 1 2 3; do
        ids=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null) && break
        sleep 0.05
    done
    for w in $ids; do
        xwininfo -id "$w" 2>/dev/null | awk -v id="$w" -v W="${2:-182}" -v H="${3:-198}" '
            /Width:/ {wd=$NF} /Height:/ {h=$NF} /Map State: IsViewable/ {v=1}
            END { if (v && wd == W && h == H) print id }'
    done | sort -u
}

position_of() { # window: "X,Y" on the screen
    xwininfo -id "$1" 2>/dev/null | awk '
        /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x "," y}'
}

# "X,Y" of every mapped note window, one a line.
note_windows() { # pid
    local w
    for w in $(note_window_ids "$1"); do position_of "$w"; done | sort -u
}

note_at() { # "X,Y": the mapped note window of NV_PID there
    local w
    for w in $(note_window_ids "$NV_PID"); do
        [ "$(position_of "$w")" = "$1" ] && echo "$w"
    done
}

pinned() { xprop -id "$1" _NET_WM_STATE 2>/dev/null | grep -q _NET_WM_STATE_ABOVE; }

# True once the copy shows that many note windows, tried for 20 seconds unless told.
wait_windows() { within "${3:-20}" window_count_is "$1" "$2"; } # pid, count, [seconds]
window_count_is() { [ "$(note_windows "$1" | wc -l)" -eq "$2" ]; }

# Lines of the program's windows inside the tray panel, as xwininfo prints them; only those of
# one copy when its pid is given.
tray_icons() { # [pid]
    local panel line
    panel=$(xwininfo -root -tree 2>/dev/null | awk '/\("panel" "trayer"\)/ {print $1; exit}')
    [ -n "$panel" ] || return 0
    xwininfo -tree -id "$panel" 2>/dev/null | grep '("notavex" "Notavex")' | while read -r line; do
        [ -z "${1:-}" ] || [ "$(xdotool getwindowpid "${line%% *}" 2>/dev/null)" = "$1" ] &&
            echo "$line"
    done
}

# The shown tool tips (by their window type) and menus (the other override-redirect windows but
# the tray icons) of the copy NV_PID or the one given.
shown() { # tips or menus, [pid]
    local w icons tip
    icons=$(tray_icons | awk '{print $1}')
    for w in $(xdotool search --onlyvisible --pid "${2:-$NV_PID}" 2>/dev/null); do
        grep -qx "$(printf '0x%x' "$w")" <<<"$icons" && continue
        xwininfo -id "$w" | grep -q 'Override Redirect State: yes' || continue
        if xprop -id "$w" _NET_WM_WINDOW_TYPE | grep -q _TOOLTIP; then tip=tips; else tip=menus; fi
        [ "$tip" = "$1" ] && echo "$w"
    done
}
popup_shown() { [ -n "$(shown menus "${1:-}")" ]; } # [pid]

# Opens the tray menu of the copy NV_PID with a button and picks an item by its keys.
tray_menu() { # button, keys...
    within 10 click_tray_icon "$1" "$NV_PID" && within 3 popup_shown && xdotool key "${@:2}" &&
        sleep 0.5
}

click_tray_icon() { # button, [pid]
    local w h x y
    # The line ends with the icon's size "WxH+x+y" and its absolute position "+X+Y".
    IFS='x+ ' read -r w h _ _ x y < <(tray_icons "${2:-}" | head -n1 | awk '{print $(NF-1), $NF}')
    [ -n "$y" ] || return 1
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click "$1"
}

# Python run on the xwd picture on standard input: px(x, y) is its pixel as (red, green, blue),
# W and H its size.
xwd_py() { # code, arguments...
    python3 -c 'import struct, sys
d = sys.stdin.buffer.read()
hdr = struct.unpack(">25I", d[:100])
W, H, order, per_line, n = hdr[4], hdr[5], hdr[7], hdr[12], hdr[11] // 8
pixels = d[hdr[0] + 12 * hdr[19]:]
def px(x, y):
    i = y * per_line + x * n
    v = int.from_bytes(pixels[i:i + n], "little" if order == 0 else "big")
    return tuple((v & m) >> ((m & -m).bit_length() - 1) for m in hdr[14:17])
'"$1" "${@:2}"
}

# A data folder whose Indice.cfg holds the lines given after its count; notes 1 to count listed.
write_folder() { # count, lines...
    mkdir -p "$DATA"
    printf '%s\r\n' '[Indice]' "TotalForms=$1" 'Coloridos=False' "${@:2}" >"$DATA/Indice.cfg"
    printf ',%s,\r\n' "$(seq -s, "$1")" >"$DATA/indice.dat"
}

# A data folder with notes 1 to count on a grid of the 1024x768 screen, titled "Nota N ação",
# each with colours of its own and a little formatted RTF text; note 1 holds a 10 MB plain text
# or a 30 MB RTF text if kind asks for it.
make_folder() { # kind (plain, rtf or small), count
    mkdir -p "$DATA"
    python3 - "$DATA" "$1" "$2" <<'PY'
import os, random, sys
data, kind, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
cfg = ["[Indice]", "TotalForms=%d" % count, "Coloridos=False"]
for n in range(1, count + 1):
    cfg += ["[%d]" % n, "Top=%d" % (300 + (n % 10) * 900), "Left=%d" % (450 + (n // 10) * 2700),
            "Tag=%d" % n, "Titulo=Nota %d ação" % n, "Visivel=True", "Color1=%d" % (1000 * n),
            "Color2=%d" % (8912895 - n), "OnTop=False"]
with open(os.path.join(data, "Indice.cfg"), "w", encoding="cp1252", newline="") as f:
    f.write("\r\n".join(cfg) + "\r\n")
with open(os.path.join(data, "indice.dat"), "w", newline="") as f:
    f.write("," + ",".join(str(n) for n in range(1, count + 1)) + ",\r\n")
rng = random.Random(7)
words = ("casa reunião amanhã café pão leite comprar ligar médico escola trabalho conta pagar "
         "sábado feira lembrar aniversário viagem ônibus mercado").split()
def lines(size, end):
    out, total = [], 0
    while total < size:
        out.append(" ".join(rng.choice(words) for _ in range(12)) + end)
        total += len(out[-1])
    return "".join(out)
for n in range(1, count + 1):
    if kind == "plain" and n == 1:
        body = lines(10 << 20, "\r\n").encode("cp1252")
    elif kind == "rtf" and n == 1:
        text = "".join("\\'%02x" % ord(c) if ord(c) > 127 else c
                       for c in lines(30 << 20, "\\par\r\n"))
        body = ("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Arial;}}\\pard\\f0\\fs20 " + text
                + "}\r\n").encode("ascii")
    else:
        body = ("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\r\n"
                "{\\colortbl ;\\red200\\green0\\blue0;}\r\n"
                "\\viewkind4\\uc1\\pard\\f0\\fs20 Nota %d: caf\\'e9 com \\b p\\'e3o\\b0  e \\cf1 "
                "\\i leite\\i0\\cf0\\par\r\nsegunda linha \\u8364?\\par\r\n}\r\n" % n).encode("ascii")
    open(os.path.join(data, "notavex%d.arl" % n), "wb").write(body)
PY
}

# A session bus of the test's own; its address exported for what starts after.
start_bus() {
    local addr="$E2E_TMP/bus.addr"
    dbus-daemon --session --nofork --print-address=3 3>"$addr" >"$E2E_TMP/dbus.log" 2>&1 &
    started $!
    within 5 test -s "$addr" || return 1
    export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$addr")
    export NO_AT_BRIDGE=1 # no accessibility bus to start
}

# Xfce's panel along the top edge holding only its notification area, which hosts
# StatusNotifierItem and XEmbed icons alike; false when it does not come up.
start_xfce_panel() {
    local conf="$HOME/.config/xfce4/xfconf/xfce-perchannel-xml"
    command -v xfce4-panel >/dev/null || return 1
    mkdir -p "$conf"
    cat >"$conf/xfce4-panel.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="28"/>
      <property name="plugin-ids" type="array"><value type="int" value="1"/></property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
XML
    xfce4-panel >"$E2E_TMP/xfce4-panel.log" 2>&1 &
    started $!
    within 10 bus_has org.kde.StatusNotifierWatcher
}

bus_has() { # name
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
        org.freedesktop.DBus.ListNames 2>/dev/null | grep -q "\"$1\""
}

# A property of a D-Bus object as dbus-send prints it.
bus_property() { # service, path, interface, property
    dbus-send --session --print-reply --dest="$1" "$2" org.freedesktop.DBus.Properties.Get \
        string:"$3" string:"$4" 2>/dev/null
}

# A sound server of the test's own for this user, playing into a sink that goes nowhere; false
# when none starts.
start_pulse() {
    command -v pulseaudio >/dev/null || return 1
    unset PULSE_SERVER
    pulseaudio --daemonize=no --exit-idle-time=-1 -n --log-target=stderr \
        -L module-null-sink -L module-native-protocol-unix >"$E2E_TMP/pulseaudio.log" 2>&1 &
    started $!
    within 10 eval 'pactl info >/dev/null 2>&1'
}
