#!/usr/bin/env bash
# The note window on a real desktop: over a coloured background its cut-away corners and edges show
# the background, in the screen itself and in a screenshot taken with xwd; dragged by its edge, it
# moves; pinned or not it keeps out of the task bar and window switcher; hidden, a second start
# shows it. On a screen scaled by two it stands and is saved in logical pixels.
source "$(dirname "$0")/common.bash" "$@"
PICTURE="$(dirname "$0")/../../assets/note/note_window.png"

export XVFB_FBDIR="$E2E_TMP"
start_x
start_tray # without one, hidden notes are shown again after a while
xsetroot -solid '#3a7'
xdotool mousemove 1000 740 # Xvfb draws the pointer into the screen

# One note at 200,100 with a strip colour of its own (0x3E7CFF, red 255 green 124 blue 62).
new_home shape
write_folder 1 '[1]' 'Top=1500' 'Left=3000' 'Tag=1' 'Titulo=Forma' 'Visivel=True' \
    'Color1=4095231' 'Color2=8912895' 'OnTop=False'

# Compares every pixel of the note's rectangle in an xwd picture with the window picture: where it
# is white (cut away) the background must show, along the kept edge the strip colour.
check_border() { # xwd file, x, y
    xwd_py '
import zlib
nx, ny, picture = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
BACKGROUND, STRIP = (0x30, 0xA0, 0x70), (255, 124, 62)

def read_png(path): # 8-bit RGB or RGBA with unfiltered rows, as make_note_pictures.py writes
    data = open(path, "rb").read()
    pos, idat = 8, b""
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        if kind == b"IHDR":
            w, h, _, ctype = struct.unpack(">IIBB", data[pos + 8:pos + 18])
        elif kind == b"IDAT":
            idat += data[pos + 8:pos + 8 + n]
        pos += 12 + n
    bpp, raw = 3 if ctype == 2 else 4, zlib.decompress(idat)
    line = lambda y: raw[y * (w * bpp + 1) + 1:(y + 1) * (w * bpp + 1)]
    return w, h, [[tuple(line(y)[x * bpp:x * bpp + 3]) for x in range(w)] for y in range(h)]

w, h, rows = read_png(picture)
cut = lambda x, y: not (0 <= x < w and 0 <= y < h) or rows[y][x] == (255, 255, 255)
bad, counted = [], 0
for y in range(h):
    for x in range(w):
        edge = not cut(x, y) and any(cut(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
        if not (cut(x, y) or edge):
            continue
        want, got = BACKGROUND if cut(x, y) else STRIP, px(nx + x, ny + y)
        counted += 1
        if got != want:
            bad.append("%d,%d %02x%02x%02x" % ((x, y) + got))
print("%d of %d border pixels wrong: %s" % (len(bad), counted, " ".join(bad[:6])) if bad else "ok")
' "$2" "$3" "$PICTURE" <"$1"
}

start_ready
check "the note is mapped" wait_windows "$NV_PID" 1
IFS=, read -r nx ny < <(note_windows "$NV_PID")
check "at 200,100 (got $nx,$ny)" [ "$nx,$ny" = "200,100" ]
sleep 0.5
xwd -root -silent >"$E2E_TMP/root.xwd"
cp "$E2E_TMP/Xvfb_screen0" "$E2E_TMP/screen.xwd"
result=$(check_border "$E2E_TMP/screen.xwd" "$nx" "$ny")
check "on screen the cut-away pixels show the background, the edge the strip ($result)" [ "$result" = ok ]
result=$(check_border "$E2E_TMP/root.xwd" "$nx" "$ny")
check "so does a screenshot with xwd -root ($result)" [ "$result" = ok ]

drag() { # from x y, by dx dy
    xdotool mousemove "$1" "$2" mousedown 1 sleep 0.2 mousemove $(($1 + $3 / 2)) $(($2 + $4 / 2)) \
        sleep 0.1 mousemove $(($1 + $3)) $(($2 + $4)) sleep 0.2 mouseup 1 sleep 0.3
}
drag "$((nx + 1))" "$((ny + 100))" 150 80 # the frame left of the text
IFS=, read -r mx my < <(note_windows "$NV_PID")
check "dragged by its left edge it moves to 350,180 (got $mx,$my)" [ "$mx,$my" = "350,180" ]
drag "$((mx + 5))" "$((my + 188))" -100 -50 # the frame beside the links
IFS=, read -r mx my < <(note_windows "$NV_PID")
check "and by its bottom edge to 250,130 (got $mx,$my)" [ "$mx,$my" = "250,130" ]

echo "-- task bar, window switcher, pin and a second start"
skips() { xprop -id "$1" _NET_WM_STATE | grep SKIP_TASKBAR | grep -q SKIP_PAGER; }
note=$(note_window_ids "$NV_PID")
check "the note skips task bar and switcher" skips "$note"
xdotool mousemove --window "$note" 12 10 click 1 # the pin's middle
check "the pin puts the note above the others" within 3 pinned "$note"
check "pinned, it still skips both" skips "$note"
xdotool mousemove --window "$note" 12 10 click 1
check "unpinned" within 3 eval '! pinned "$note"'
check "unpinned, it still skips both" skips "$note"
xdotool mousemove --window "$note" 168 10 click 1 # the hide button's middle
check "the note hides" wait_windows "$NV_PID" 0 3
"$BIN" >>"$E2E_TMP/notavex.log" 2>&1
check "a second start shows the hidden note" wait_windows "$NV_PID" 1 5
# After the pin was changed the window is shown as a new native one.
check "shown again, it skips both" skips "$(note_window_ids "$NV_PID")"

check "uninstall ends the program" uninstall_ends
check "the new place is saved (Top 1950, Left 3750 twips)" \
    [ "$(ini_value "$DATA/Indice.cfg" Top),$(ini_value "$DATA/Indice.cfg" Left)" = 1950,3750 ]

echo "-- a screen scaled by two"
new_home scaled
make_folder small 1
QT_SCALE_FACTOR=2 start_ready
note_364() { note=$(note_window_ids "$NV_PID" 364 396) && [ -n "$note" ]; }
check "the note is 364x396 device pixels" within 10 note_364
# Left=450, Top=1200 twips: 30,80 logical pixels.
check "the note stands at its stored place" [ "$(position_of "$note")" = "60,160" ]
xdotool windowmove "$note" 400 300
check "moved" within 3 eval '[ "$(position_of "$note")" = "400,300" ]'
check "uninstall ends the program" uninstall_ends
check "the place is saved in twips of logical pixels" \
    [ "$(ini_value "$DATA/Indice.cfg" Left),$(ini_value "$DATA/Indice.cfg" Top)" = "3000,2250" ]
finish
