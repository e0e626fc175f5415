#!/usr/bin/env bash
# A data folder that other computers share, that cannot be written, or that was kept in the home
# folder before there was a documents folder.
# As root the script runs in a mount table of its own, so that no mount it makes outlives it.
if [ "$(id -u)" = 0 ] && [ -z "${NV_OWN_MOUNTS:-}" ] && unshare -m true 2>/dev/null; then
    NV_OWN_MOUNTS=1 exec unshare -m --propagation private bash "$0" "$@"
fi
source "$(dirname "$0")/common.bash" "$@"

MOUNTS=()
trap 'for m in "${MOUNTS[@]}"; do umount -l "$m"; done; chmod -R u+w "$E2E_TMP" 2>/dev/null; cleanup' EXIT

start_x
start_wm

# A further copy in the foreground: exit status in status, time in took, standard error in err.
second_copy() { # arguments...
    local t0
    t0=$(now_ms)
    err=$(timeout 10 "$BIN" "$@" 2>&1 >>"$E2E_TMP/notavex.log")
    status=$?
    took=$(($(now_ms) - t0))
}
told_running() { [ "$(grep -c "já está em execução para a pasta de dados \"$DATA\"" <<<"$err")" = 1 ]; }
folder_sums() { (cd "$1" && md5sum .notavex-0badc0de.lock .notavex.lock * 2>/dev/null | sort); }

echo "-- locks that another computer, a sync conflict and an earlier version left"
new_home shared
make_folder small 2
printf '4242\nnotavex\noutro-computador\n' >"$DATA/.notavex-0badc0de.lock"
printf '4242\nnotavex\noutro-computador\n' >"$DATA/.notavex.sync-conflict-20240101-101010-ABCDEFG.lock"
printf '%s\nnotavex\n%s\n' "$$" "$(hostname)" >"$DATA/.notavex.lock"
before=$(folder_sums "$DATA")
start_notavex
first=$NV_PID
check "the copy starts all the same" wait_ready "$first"
check "and shows the notes" wait_windows "$first" 2
check "the files left there are as they were" [ "$before" = "$(folder_sums "$DATA")" ]
second_copy
check "a second copy on this computer is still refused ($err)" told_running
timeout 10 "$BIN" uninstall
check "uninstall closes the first" ended_within "$first" 10

echo "-- notes kept in ~/Notavex before there was a documents folder"
new_home moving
DATA=$HOME/Notavex make_folder small 3
before=$(folder_sums "$HOME/Notavex")
start_notavex
first=$NV_PID
check "the program starts on the documents folder" wait_ready "$first"
check "with the notes kept in the home folder" wait_windows "$first" 3
check "moved there whole" [ "$before" = "$(folder_sums "$DATA")" ]
check "and gone from the home folder" [ ! -e "$HOME/Notavex" ]
timeout 10 "$BIN" uninstall
check "uninstall closes it" ended_within "$first" 10

# The folder is made unwritable by the command given, after the notes are in it.
unwritable() { # case, reason the program gives, command...
    local case=$1 reason=$2
    shift 2
    echo "-- $case data folder"
    new_home "${case// /-}"
    make_folder small 2
    "$@" || {
        echo "SKIP: $case data folder ($* failed)"
        return
    }
    before=$(folder_sums "$DATA")
    start_notavex
    first=$NV_PID
    check "the copy starts on it" wait_ready "$first"
    check "and shows the notes" wait_windows "$first" 2
    local said
    said=$(grep -c "^notavex: Não é possível salvar na pasta de dados \"$DATA\" ($reason)\." \
        "$E2E_TMP/notavex.log")
    check "it says on standard error, once, that it cannot save there ($said)" [ "$said" = 1 ]
    second_copy
    check "a second start ends at once (${took} ms)" [ "$took" -lt 2000 ]
    check "with status 0 (got $status)" [ "$status" -eq 0 ]
    check "saying that a copy runs ($err)" told_running
    check "the first copy still runs" alive "$first"
    timeout 10 "$BIN" uninstall
    check "uninstall reaches the first copy" ended_within "$first" 10
    check "the notes are as they were" [ "$before" = "$(folder_sums "$DATA")" ]
}

read_only() {
    if [ "$(id -u)" != 0 ]; then
        chmod a-w "$DATA"
        return
    fi
    mount --bind "$DATA" "$DATA" && MOUNTS+=("$DATA") && mount -o remount,bind,ro "$DATA"
}
full() {
    [ "$(id -u)" = 0 ] || {
        echo "a small file system of its own needs root"
        return 1
    }
    local tmp=$E2E_TMP/notes-on-tmpfs
    mv "$DATA" "$tmp" && mount -t tmpfs -o size=64k tmpfs "$HOME/Documents" &&
        MOUNTS+=("$HOME/Documents") && cp -a "$tmp" "$DATA" || return 1
    dd if=/dev/zero of="$HOME/Documents/fill" bs=1k 2>/dev/null
    ! echo x >"$HOME/Documents/more" 2>/dev/null
}
if [ "$(id -u)" = 0 ]; then
    unwritable "read-only" "o disco é somente leitura" read_only
else
    unwritable "read-only" "permissão negada" read_only
fi
unwritable "full" "não há espaço livre no disco" full

finish
