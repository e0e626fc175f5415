#!/usr/bin/env bash
# First start, the single running copy, a start after a crash among the locks other computers
# left, and notes kept in the home folder before there was a documents folder.
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

echo "-- start after the running copy was killed, beside locks left by others"
kill -KILL "$survivor"
ended_within "$survivor" 3
check "the killed copy left its lock file in the data folder" [ "$(lock_file | wc -l)" = 1 ]
check "and no socket anywhere that would answer for it" not_listening
# Another computer's, a sync conflict's copy of one, and an earlier version's naming a live
# process here.
printf '4242\nnotavex\noutro-computador\n' >"$DATA/.notavex-0badc0de.lock"
printf '4242\nnotavex\noutro-computador\n' >"$DATA/.notavex.sync-conflict-20240101-101010-ABCDEFG.lock"
printf '%s\nnotavex\n%s\n' "$$" "$(hostname)" >"$DATA/.notavex.lock"
locks() { (cd "$DATA" && md5sum .notavex-0badc0de.lock .notavex.*lock); }
left=$(locks)
start_notavex
next=$NV_PID
check "next start becomes ready" wait_ready "$next"
check "and shows the note" wait_windows "$next" 1
before=$(cd "$DATA" && md5sum * | sort)
second_copy -u XDG_RUNTIME_DIR
check "it holds the lock again: a further copy (no runtime folder) ends at once (${took} ms), status 0 ($status)" \
    [ "$took" -lt 2000 -a "$status" -eq 0 ]
check "saying why on standard error (${err##*$'\n'})" told_why
check "the running copy still runs" alive "$next"
check "the further copy changed nothing, the locks left there included" \
    [ "$before$left" = "$(cd "$DATA" && md5sum * | sort)$(locks)" ]

echo "-- notes kept in ~/Notavex before there was a documents folder"
new_home moving
DATA=$HOME/Notavex make_folder small 3
before=$(cd "$HOME/Notavex" && md5sum * | sort)
start_notavex
check "the program starts on the documents folder" wait_ready "$NV_PID"
check "with the notes kept in the home folder" wait_windows "$NV_PID" 3
check "moved there whole" [ "$before" = "$(cd "$DATA" && md5sum * | sort)" ]
check "and gone from the home folder" [ ! -e "$HOME/Notavex" ]

finish
