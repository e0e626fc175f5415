#!/usr/bin/env bash
# The installed tree: its layout, its desktop entries, the installed program finding its assets
# under any prefix, the fonts the notes ask for, and uninstalling by the installed file list.
source "$(dirname "$0")/common.bash" "$@"

PREFIX="$E2E_TMP/prefix"
echo "-- cmake --install into $PREFIX"
cmake --install "$BUILD_DIR" --prefix "$PREFIX" >"$E2E_TMP/install.log" 2>&1
check "cmake --install succeeds" [ $? -eq 0 ]

installed=(bin/notavex share/applications/notavex.desktop
    share/fontconfig/conf.avail/65-notavex-tahoma.conf share/notavex/install_manifest.txt)
for f in novo.wav excluir.wav alarme.wav Skin/home.dat Skin/love.dat Skin/office.dat \
    Skin/play.dat Notavex.chm notavex-autostart.desktop icons/notavex.png; do
    installed+=("share/notavex/$f")
done
missing=()
for f in "${installed[@]}"; do [ -s "$PREFIX/$f" ] || missing+=("$f"); done
check "every file of the layout is there (missing: ${missing[*]:-none})" [ ${#missing[@]} -eq 0 ]
check "the program is executable" test -x "$PREFIX/bin/notavex"

png_size() { od -An -tu4 --endian=big -j16 -N4 "$1" 2>/dev/null | tr -d ' '; }
wrong=()
for s in 16 22 24 32 48 64 128 256; do
    icon="$PREFIX/share/icons/hicolor/${s}x$s/apps/notavex.png"
    [ "$(png_size "$icon")" = "$s" ] || wrong+=("$s")
done
check "a theme icon of each size, drawn at that size (wrong: ${wrong[*]:-none})" [ ${#wrong[@]} -eq 0 ]

for entry in applications/notavex.desktop notavex/notavex-autostart.desktop; do
    out=$(desktop-file-validate "$PREFIX/share/$entry" 2>&1)
    status=$?
    check "desktop-file-validate passes on $entry, silent ${out:+($out)}" [ $status -eq 0 -a -z "$out" ]
done
check "the autostart entry starts notavex, switched on" \
    grep -qx 'X-GNOME-Autostart-enabled=true' "$PREFIX/share/notavex/notavex-autostart.desktop"

echo "-- the installed program, set up for its user as the README says"
start_x
start_wm
start_tray
new_home user
mkdir -p "$HOME/.config/fontconfig/conf.d"
ln -s "$PREFIX/share/fontconfig/conf.avail/65-notavex-tahoma.conf" "$HOME/.config/fontconfig/conf.d/"
BIN="$PREFIX/bin/notavex"
start_notavex
running=$NV_PID
check "the installed program becomes ready" wait_ready "$running"
check "it shows the welcome note" wait_windows "$running" 1
check "its icon docks" within 5 eval '[ -n "$(tray_icons)" ]'

help_shown() { xdotool search --all --onlyvisible --pid "$running" --name '^O Notavex$' >/dev/null 2>&1; }
help_missing() { xdotool search --onlyvisible --name '^Ajuda do Windows$' >/dev/null 2>&1; }
click_tray_icon 3
sleep 0.7
# "Ajuda" is the third item from the end of the tray menu.
xdotool key Up Up Up Return
check "\"Ajuda\" opens the installed help file" within 5 help_shown
check "no message says the help file is missing" eval '! help_missing'

# With the help window open, as a user may well leave it.
timeout 10 "$BIN" uninstall >>"$E2E_TMP/notavex.log" 2>&1
status=$?
check "\"notavex uninstall\" exits with status 0 (got $status)" [ $status -eq 0 ]
check "and ends the running copy" ended_within "$running" 5

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

finish
