#!/usr/bin/env bash
# First start as one of five copies started together, a start after a crash among the locks
# other computers left, and notes kept in the home folder before there was a documents folder.
source "$(dirname "$0")/common.bash" "$@"

start_x

echo "-- five copies started together on a new home"
new_home five
pids=()
for i in 1 2 3 4 5; do
    start_notavex
    pids+=("$NV_PID")
done
survivors() { for pid in "${pids[@]}"; do alive "$pid" && echo "$pid"; done; }
within 10 eval '[ "$(survivors | wc -l)" -le 1 ]'
sleep 1
survivor=$(survivors)
check "exactly one of five copies keeps running" [ "$(survivors | wc -l)" -eq 1 ]
check "it becomes ready" wait_ready "$survivor"
# The welcome note's files put it at Top 5236 and Left 8533 twips, 15 twips to a pixel.
check "the welcome note is mapped" wait_windows "$survivor" 1
check "at 569,349 (got $(note_windows "$survivor" | tr '\n' ' '))" \
    [ "$(note_windows "$survivor")" = 569,349 ]
check "the one left filled the new folder with the welcome note" \
    file_is "$(ls -d "$DATA"/[Ii]ndice.dat | head -n1)" ',1,\r\n'
check "nothing but the data folder was left in the documents folder" \
    [ "$(ls -A "$HOME/Documents")" = Notavex ]
check "the new data folder is its owner's alone ($(stat -c %a "$DATA"))" \
    [ "$(stat -c %a "$DATA")" = 700 ]
loose=$(find "$DATA" -mindepth 1 \( -type f ! -perm 600 \) -o \( ! -type f ! -type s \))
check "every file in it is 0600 (not so: ${loose:-none})" [ -z "$loose" ]
# Named for this computer, so that a sync tool's copy of it means nothing on another one.
lock_file() { compgen -G "$DATA/.notavex-????????.lock"; }
check "its lock file among them ($(lock_file))" [ "$(lock_file | wc -l)" = 1 ]

echo "-- start after the running copy was killed, beside locks left by others"
kill -KILL "$survivor"
ended_within "$survivor" 3
check "the killed copy left its lock file in the data folder" [ "$(lock_file | wc -l)" = 1 ]
check "and no socket anywhere that would answer for it" eval '! listening'
# Another computer's, a sync conflict's copy of one, and an earlier version's naming a live
# process here.
printf '4242\nnotavex\noutro-computador\n' >"$DATA/.notavex-0badc0de.lock"
printf '4242\nnotavex\noutro-computador\n' >"$DATA/.notavex.sync-conflict-20240101-101010-ABCDEFG.lock"
printf '%s\nnotavex\n%s\n' "$$" "$(hostname)" >"$DATA/.notavex.lock"
locks() { (cd "$DATA" && md5sum .notavex-0badc0de.lock .notavex.*lock); }
left=$(locks)
start_ready
check "and shows the note" wait_windows "$NV_PID" 1
before=$(cd "$DATA" && md5sum * | sort)
t0=$(now_ms)
err=$(env -u XDG_RUNTIME_DIR timeout 10 "$BIN" 2>&1 >>"$E2E_TMP/notavex.log")
status=$?
took=$(($(now_ms) - t0))
check "it holds the lock again: a further copy (no runtime folder) ends at once (${took} ms), status 0 ($status)" \
    [ "$took" -lt 2000 -a "$status" -eq 0 ]
# One line naming the data folder (Qt may add its own words about the runtime folder).
told=$(grep -c "já está em execução para a pasta de dados \"$DATA\"" <<<"$err")
check "saying why on standard error, once (${err##*$'\n'})" [ "$told" = 1 ]
check "the running copy still runs" alive "$NV_PID"
check "the further copy changed nothing, the locks left there included" \
    [ "$before$left" = "$(cd "$DATA" && md5sum * | sort)$(locks)" ]

echo "-- notes kept in ~/Notavex before there was a documents folder"
new_home moving
DATA=$HOME/Notavex make_folder small 3
before=$(cd "$HOME/Notavex" && md5sum * | sort)
start_ready
check "with the notes kept in the home folder" wait_windows "$NV_PID" 3
check "moved there whole" [ "$before" = "$(cd "$DATA" && md5sum * | sort)" ]
check "and gone from the home folder" [ ! -e "$HOME/Notavex" ]

finish
