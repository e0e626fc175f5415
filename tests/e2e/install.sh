#!/usr/bin/env bash
# The installed tree: its layout, its desktop entries, the installed program finding its assets
# under any prefix, the fonts the notes ask for, and uninstalling by the installed file list. The
# Debian package: lintian, its dependencies, installed and removed by dpkg in a root of its own.
source "$(dirname "$0")/common.bash" "$@"

check_layout() { # prefix, where the menu entry's Exec points
    local prefix=$1 f s entry out status missing=() wrong=()
    local installed=(bin/notavex share/applications/notavex.desktop
        share/fontconfig/conf.avail/65-notavex-tahoma.conf)
    for f in novo.wav excluir.wav alarme.wav Skin/home.dat Skin/love.dat Skin/office.dat \
        Skin/play.dat Notavex.chm notavex-autostart.desktop icons/notavex.png; do
        installed+=("share/notavex/$f")
    done
    for f in "${installed[@]}"; do [ -s "$prefix/$f" ] || missing+=("$f"); done
    check "every file of the layout is there (missing: ${missing[*]:-none})" \
        [ ${#missing[@]} -eq 0 ]
    check "the program is executable" test -x "$prefix/bin/notavex"
    check "its manual page is there" eval "compgen -G \"$prefix/share/man/man1/notavex.1*\" >/dev/null"
    for s in 16 22 24 32 48 64 128 256; do
        f="$prefix/share/icons/hicolor/${s}x$s/apps/notavex.png"
        [ "$(png_size "$f")" = "$s" ] || wrong+=("$s")
    done
    check "a theme icon of each size, drawn at that size (wrong: ${wrong[*]:-none})" \
        [ ${#wrong[@]} -eq 0 ]
    for entry in applications/notavex.desktop notavex/notavex-autostart.desktop; do
        out=$(desktop-file-validate "$prefix/share/$entry" 2>&1)
        status=$?
        check "desktop-file-validate passes on $entry, silent ${out:+($out)}" \
            [ $status -eq 0 -a -z "$out" ]
        check "$entry starts $2" grep -qx "Exec=$2" "$prefix/share/$entry"
    done
    check "the autostart entry is switched on" \
        grep -qx 'X-GNOME-Autostart-enabled=true' "$prefix/share/notavex/notavex-autostart.desktop"
}
png_size() { od -An -tu4 --endian=big -j16 -N4 "$1" 2>/dev/null | tr -d ' '; }

PREFIX="$E2E_TMP/prefix"
echo "-- cmake --install into $PREFIX"
cmake --install "$BUILD_DIR" --prefix "$PREFIX" >"$E2E_TMP/install.log" 2>&1
check "cmake --install succeeds" [ $? -eq 0 ]
check_layout "$PREFIX" "$PREFIX/bin/notavex"
check "the list of installed files is there" test -s "$PREFIX/share/notavex/install_manifest.txt"

echo "-- the installed program, set up for its user as the README says"
start_x
start_tray
new_home user
mkdir -p "$HOME/.config/fontconfig/conf.d"
ln -s "$PREFIX/share/fontconfig/conf.avail/65-notavex-tahoma.conf" "$HOME/.config/fontconfig/conf.d/"
BIN="$PREFIX/bin/notavex"
start_ready
check "it shows the welcome note" wait_windows "$NV_PID" 1

help_shown() { xdotool search --all --onlyvisible --pid "$NV_PID" --name '^O Notavex$' &>/dev/null; }
help_missing() { xdotool search --onlyvisible --name '^Ajuda do Windows$' >/dev/null 2>&1; }
# "Ajuda" is the third item from the end of the tray menu.
check "its icon docks and opens its menu" tray_menu 3 Up Up Up Return
check "\"Ajuda\" opens the installed help file" within 5 help_shown
check "no message says the help file is missing" eval '! help_missing'

# With the help window open, as a user may well leave it.
check "\"notavex uninstall\" ends the running copy" uninstall_ends

echo "-- fonts the notes ask for"
font_file() { fc-match -f '%{file}' "$1"; }
ends_with() { [[ "$1" == *"$2" ]]; }
for pair in "Arial:/LiberationSans-Regular.ttf" "Times New Roman:/LiberationSerif-Regular.ttf" \
    "Tahoma:/usr/share/wine/fonts/tahoma.ttf"; do
    name=${pair%%:*}
    got=$(font_file "$name")
    check "fc-match \"$name\" gives ${pair#*:} (got $got)" ends_with "$got" "${pair#*:}"
done
# Wine's tahomabd.ttf has the regular strokes: bold is tahoma.ttf made bold by fontconfig.
bold=$(fc-match -f '%{file} %{embolden}' 'Tahoma:bold')
check "fc-match \"Tahoma:bold\" gives tahoma.ttf emboldened (got $bold)" \
    [ "$bold" = "/usr/share/wine/fonts/tahoma.ttf True" ]
check "Wine's other fonts stay out (Symbol: $(font_file Symbol))" \
    eval '[[ "$(font_file Symbol)" != /usr/share/wine/* ]]'

echo "-- uninstalling by the installed file list"
xargs -d '\n' rm -f -- <"$PREFIX/share/notavex/install_manifest.txt"
left=$(find "$PREFIX" ! -type d)
check "no file is left (left: ${left:-none})" [ -z "$left" ]

echo "-- the Debian package"
(cd "$BUILD_DIR" && cpack -G DEB -B "$E2E_TMP/deb") >"$E2E_TMP/cpack.log" 2>&1
deb=$(echo "$E2E_TMP"/deb/notavex_*_amd64.deb)
check "cpack makes notavex_<version>_amd64.deb" test -s "$deb"
lintian --fail-on error "$deb" >"$E2E_TMP/lintian.log" 2>&1
status=$?
check "lintian finds no error ($(grep '^E:' "$E2E_TMP/lintian.log" | tr '\n' ' '))" \
    [ $status -eq 0 ]
depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6widgets6 libqt6multimedia6 libqt6printsupport6 libchm1 libcups2 libxcb1 \
    fonts-wine fonts-liberation cups-client qt6-translations-l10n; do
    check "it depends on $p" grep -qE "(^|, )$p( |,|$)" <<<"$depends"
done
apt-get install --simulate "$deb" >"$E2E_TMP/apt.log" 2>&1
check "apt can install it here" \
    grep -qE '^Inst notavex |notavex is already the newest' "$E2E_TMP/apt.log"

ROOT="$E2E_TMP/root"
mkdir -p "$ROOT/var/lib/dpkg/info" "$ROOT/var/lib/dpkg/updates"
touch "$ROOT/var/lib/dpkg/status"
pkg_dpkg() {
    dpkg --root="$ROOT" --log=/dev/null --path-include='/*' --force-not-root --force-depends \
        "$@" >>"$E2E_TMP/dpkg.log" 2>&1
}
pkg_dpkg -i "$deb"
check "dpkg installs it" [ $? -eq 0 ]
check_layout "$ROOT/usr" /usr/bin/notavex
conf=etc/fonts/conf.d/65-notavex-tahoma.conf
check "the Tahoma settings are on for every user" \
    [ "$(readlink "$ROOT/$conf")" = /usr/share/fontconfig/conf.avail/65-notavex-tahoma.conf ]
BIN="$ROOT/usr/bin/notavex"
new_home packaged
start_ready
check "and shows the welcome note" wait_windows "$NV_PID" 1
check "and ends on \"notavex uninstall\"" uninstall_ends
pkg_dpkg -r notavex
check "dpkg removes it" [ $? -eq 0 ]
left=$(find "$ROOT" ! -type d ! -path "$ROOT/var/lib/dpkg/*")
check "no file of it is left (left: ${left:-none})" [ -z "$left" ]

finish
