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
# The welcome note's files put it at Top 5236 and Left 8533 twips, 15 twips to a pixel.
check "the welcome note is mapped" wait_windows "$first" 1
check "at 569,349 (got $(note_windows "$first" | tr '\n' ' '))" [ "$(note_windows "$first")" = 569,349 ]
check "the new data folder is its owner's alone ($(stat -c %a "$DATA"))" \
    [ "$(stat -c %a "$DATA")" = 700 ]
loose=$(find "$DATA" -mindepth 1 \( -type f ! -perm 600 \) -o \( ! -type f ! -type s \))
check "every file in it is 0600 (not so: ${loose:-none})" [ -z "$loose" ]
# Named for this computer, so that a sync tool's copy of it means nothing on another one.
lock_file() { compgen -G "$DATA/.notavex-????????.lock"; }
not_listening() { ! listening; }
check "its lock file among them ($(lock_file))" [ "$(lock_file | wc -l)" = 1 ]

# Starts a further copy in the foreground with the environment given; its exit status in
# status, its time in took, what it wrote on standard error in err.
second_copy() { # env arguments...
    local t0
    t0=$(now_ms)
    err=$(env "$@" timeout 10 "$BIN" 2>&1 >>"$E2E_TMP/notavex.log")
    status=$?
    took=$(($(now_ms) - t0))
}

# One line naming the data folder (Qt may add its own words about the runtime folder).
told_why() { [ "$(grep -c "já está em execução para a pasta de dados \"$DATA\"" <<<"$err")" = 1 ]; }

before=$(cd "$DATA" && md5sum * | sort)
mkdir -m 700 "$HOME/run2"
for case in "same runtime folder:XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR" \
    "another runtime folder:XDG_RUNTIME_DIR=$HOME/run2" "no runtime folder:-u XDG_RUNTIME_DIR"; do
    echo "-- second start while the first runs, ${case%%:*}"
    # shellcheck disable=SC2086
    second_copy ${case#*:}
    check "second copy ends at once (${took} ms)" [ "$took" -lt 2000 ]
    check "second copy ends with status 0 (got $status)" [ "$status" -eq 0 ]
    check "second copy says on standard error why (${err##*$'\n'})" told_why
    check "first copy still runs" alive "$first"
done
check "second copies changed nothing in the data folder" \
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
check "the one left filled the new folder with the welcome note" \
    file_is "$(ls -d "$DATA"/[Ii]ndice.dat | head -n1)" ',1,\r\n'
check "nothing but the data folder was left in the documents folder" \
    [ "$(ls -A "$HOME/Documents")" = Notavex ]

echo "-- start after the running copy was killed"
kill -KILL "$survivor"
ended_within "$survivor" 3
check "the killed copy left its lock file in the data folder" [ "$(lock_file | wc -l)" = 1 ]
check "and no socket anywhere that would answer for it" not_listening
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
