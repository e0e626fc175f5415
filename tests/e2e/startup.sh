#!/usr/bin/env bash
# First start, the single running copy, and a start after a crash.
source "$(dirname "$0")/common.bash" "$@"

start_x
start_wm

echo "-- first start"
new_home first
start_notavex
first=$NV_PID
check "first start becomes ready" wait_ready "$first"
check "data folder created in the documents folder" test -d "$DATA"
list=$(ls -d "$DATA"/[Ii]ndice.dat 2>/dev/null | head -n1)
check "welcome list file holds ,1, and CR LF" file_is "$list" ',1,\r\n'
check "welcome index lists one note" [ "$(ini_value "$DATA/Indice.cfg" TotalForms)" = 1 ]
check "welcome note placed for a 1024x768 screen" \
    [ "$(ini_value "$DATA/Indice.cfg" Top),$(ini_value "$DATA/Indice.cfg" Left)" = 5236,8533 ]
check "welcome content file is rich text" grep -q '^{\\rtf1' "$DATA/notavex1.arl"

hidden_main_window() {
    local w found=0
    for w in $(xdotool search --name '^Notavex$' 2>/dev/null); do
        found=1
        xwininfo -id "$w" | grep -q 'Map State: IsViewable' && return 1
    done
    [ "$found" -eq 1 ]
}
check "a hidden, never mapped window is titled Notavex" hidden_main_window

echo "-- second start while the first runs"
before=$(cd "$DATA" && md5sum * | sort)
t0=$(now_ms)
timeout 10 "$BIN" >>"$E2E_TMP/notavex.log" 2>&1
status=$?
took=$(($(now_ms) - t0))
check "second copy ends at once (${took} ms)" [ "$took" -lt 2000 ]
check "second copy ends silently with status 0 (got $status)" [ "$status" -eq 0 ]
check "first copy still runs" alive "$first"
check "second copy changed nothing in the data folder" \
    [ "$before" = "$(cd "$DATA" && md5sum * | sort)" ]

echo "-- five copies started together"
new_home five
pids=()
for i in 1 2 3 4 5; do
    start_notavex
    pids+=("$NV_PID")
done
for i in $(seq 200); do
    [ "$(count_alive "${pids[@]}")" -le 1 ] && break
    sleep 0.05
done
sleep 1
check "exactly one of five copies keeps running" [ "$(count_alive "${pids[@]}")" -eq 1 ]
for pid in "${pids[@]}"; do
    alive "$pid" && survivor=$pid
done

echo "-- start after the running copy was killed"
kill -KILL "$survivor"
ended_within "$survivor" 3
check "the killed copy left its lock file behind" has_file "$XDG_RUNTIME_DIR/notavex-*.lock"
check "the killed copy left its socket behind" has_file "$XDG_RUNTIME_DIR/notavex-*.sock"
start_notavex
next=$NV_PID
check "next start after a kill becomes ready" wait_ready "$next"
sleep 0.5
check "next start keeps running" alive "$next"
t0=$(now_ms)
timeout 10 "$BIN" >>"$E2E_TMP/notavex.log" 2>&1
took=$(($(now_ms) - t0))
check "it holds the single-copy lock again (a further copy ended in ${took} ms)" \
    [ "$took" -lt 2000 ]
check "and still runs" alive "$next"

finish
