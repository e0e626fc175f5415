#!/usr/bin/env bash
# A FIFO, a link to /dev/zero and a 2 GiB sparse file as note files: the start is as quick as
# without them, the other notes show, nothing is written over them, and SIGTERM ends the program
# within a second, also in the middle of loading a thousand notes.
source "$(dirname "$0")/common.bash" "$@"

start_x
start_wm

WATCH="$BUILD_DIR/bench/mapwatch"
[ -x "$WATCH" ] || { echo "FAIL: no $WATCH"; exit 1; }

# Starts the program and watches the X server until it has mapped n windows; its pid in NV_PID,
# the time from the start to the last window mapped in took (ms).
timed_start() { # windows
    local first wait settled pings
    read -r NV_PID first took wait settled pings \
        < <(MAPWATCH_TIMEOUT=90 "$WATCH" "$1" "$BIN" 2>>"$E2E_TMP/notavex.log")
    started "$NV_PID"
    [ "${took:--1}" -ge 0 ]
}

# Running, not only a zombie: mapwatch, the program's parent, is gone before it ends.
running() { [ -e "/proc/$1" ] && ! grep -q '^State:.*zombie' "/proc/$1/status" 2>/dev/null; }

# Sends SIGTERM and waits for the end; the time it took in term_ms.
timed_term() { # pid
    local t0
    t0=$(now_ms)
    kill -TERM "$1"
    while running "$1" && [ $(($(now_ms) - t0)) -lt 10000 ]; do
        sleep 0.01
    done
    term_ms=$(($(now_ms) - t0))
    ! running "$1"
}

sparse_as_it_was() {
    [ "$(stat -c %s "$1")" = 2147483648 ] && [ "$(du -k "$1" | cut -f1)" -lt 1024 ]
}

peak_mb() { echo $(($(awk '/^VmHWM:/ {print $2}' "/proc/$1/status") / 1024)); }

echo "-- ten notes"
new_home plain
make_folder small 10
check "ten notes show" timed_start 10
plain_ms=$took
plain_mb=$(peak_mb "$NV_PID")
check "SIGTERM ends it" timed_term "$NV_PID"
echo "start-up ${plain_ms} ms, peak memory ${plain_mb} MB, SIGTERM took ${term_ms} ms"

echo "-- the same ten notes beside a FIFO, a link to /dev/zero and a 2 GiB sparse file"
new_home hostile
make_folder small 10
mkfifo "$DATA/notavex11.arl"
ln -s /dev/zero "$DATA/notavex12.arl"
truncate -s 2G "$DATA/notavex13.arl"
for n in 11 12 13; do
    printf '[%s]\r\nTop=%s\r\nLeft=6000\r\nTitulo=hostil %s\r\n' "$n" $((n * 900 - 9000)) "$n"
done >>"$DATA/Indice.cfg"
sed -i 's/^TotalForms=10/TotalForms=13/' "$DATA/Indice.cfg"
printf ',1,2,3,4,5,6,7,8,9,10,11,12,13,\r\n' >"$DATA/indice.dat"
check "all thirteen notes show" timed_start 13
hostile_ms=$took
hostile_mb=$(peak_mb "$NV_PID")
echo "start-up ${hostile_ms} ms, peak memory ${hostile_mb} MB (without them ${plain_ms} ms, ${plain_mb} MB)"
check "as quick as without them" [ "$hostile_ms" -le $((plain_ms + 1000)) ]
check "memory well under 1 GB" [ "$hostile_mb" -lt 1024 ]
check "each says why it was not read" \
    [ "$(grep -c 'não foi possível ler .*notavex1[123].arl' "$E2E_TMP/notavex.log")" = 3 ]
check "SIGTERM ends it" timed_term "$NV_PID"
check "within a second (${term_ms} ms)" [ "$term_ms" -lt 1000 ]
check "the notes were saved: thirteen listed" file_is "$DATA/indice.dat" \
    ',13,12,11,10,9,8,7,6,5,4,3,2,1,\r\n'
check "the FIFO is still a FIFO" test -p "$DATA/notavex11.arl"
check "the link still leads to /dev/zero" [ "$(readlink "$DATA/notavex12.arl")" = /dev/zero ]
check "the sparse file is as it was" sparse_as_it_was "$DATA/notavex13.arl"

echo "-- SIGTERM while a thousand notes load"
new_home many
make_folder small 1000
sums=$(cd "$DATA" && md5sum notavex*.arl)
# Notes whose Left make_folder put off the screen and the program brought back: only loaded ones.
moved() {
    awk -F= '/^\[/ {s = substr($0, 2) + 0} /^Left=/ {if ($2 + 0 != 450 + int(s / 10) * 2700) n++}
             END {print n + 0}' "$DATA/Indice.cfg"
}
start_notavex
wait_ready "$NV_PID"
check "SIGTERM ends it" timed_term "$NV_PID"
check "within a second (${term_ms} ms)" [ "$term_ms" -lt 1000 ]
echo "$(moved) notes were loaded and moved on screen (of about 950 in a whole load)"
check "it was loading still" [ "$(moved)" -lt 900 ]
check "the thousand notes are listed" \
    [ "$(tr -d '\r' <"$DATA/indice.dat" | tr ',' '\n' | grep -c .)" = 1000 ]
check "and counted" [ "$(ini_value "$DATA/Indice.cfg" TotalForms)" = 1000 ]
check "no note file changed" [ "$sums" = "$(cd "$DATA" && md5sum notavex*.arl)" ]
check "a restart shows all thousand" timed_start 1000
echo "the restart showed them in ${took} ms"
check "SIGTERM ends it too" timed_term "$NV_PID"
check "within a second (${term_ms} ms)" [ "$term_ms" -lt 1000 ]
# What tells a stopped load above from a whole one.
check "a whole load moved $(moved) notes" [ "$(moved)" -ge 900 ]

finish
