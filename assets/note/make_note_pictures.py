#!/usr/bin/env python3
"""Draws the note window's pictures and writes them as PNG files beside this script.

Standard library only, so that the pictures can be regenerated anywhere:
    python3 assets/note/make_note_pictures.py
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

WHITE = (255, 255, 255)
YELLOW = (255, 255, 135)  # Windows colour 0x87FFFF
OLIVE = (128, 128, 0)


def png(path, width, height, pixels, alpha):
    """pixels: list of rows, each a list of (r, g, b) or (r, g, b, a) tuples."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)  # filter type None
        for p in row:
            raw.extend(p[:4] if alpha else p[:3])

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    colour_type = 6 if alpha else 2
    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    data += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


def inside_rounded(x, y, left, top, right, bottom, radius):
    """True when pixel (x, y) lies in the rounded rectangle [left, right) x [top, bottom)."""
    if x < left or x >= right or y < top or y >= bottom:
        return False
    cx = min(max(x + 0.5, left + radius), right - radius)
    cy = min(max(y + 0.5, top + radius), bottom - radius)
    dx = x + 0.5 - cx
    dy = y + 0.5 - cy
    return dx * dx + dy * dy <= radius * radius


def window_picture():
    # One white pixel of margin on the top, bottom and left edges; the right edge has none.
    w, h = 182, 198
    left, top, right, bottom, radius = 1, 1, w, h - 1, 9
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            if not inside_rounded(x, y, left, top, right, bottom, radius):
                row.append(WHITE)
                continue
            edge = any(not inside_rounded(x + dx, y + dy, left, top, right, bottom, radius)
                       for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1)))
            row.append(OLIVE if edge else YELLOW)
        rows.append(row)
    png(os.path.join(HERE, "note_window.png"), w, h, rows, alpha=False)


def from_art(art, palette, width, height):
    rows = []
    for y in range(height):
        line = art[y] if y < len(art) else ""
        row = []
        for x in range(width):
            ch = line[x] if x < len(line) else "."
            row.append(palette.get(ch, (0, 0, 0, 0)))
        rows.append(row)
    return rows


# 17 x 16 buttons. '.' is transparent.
PIN_UP = [
    ".................",
    "......#####......",
    ".....#rrrrr#.....",
    ".....#rRRrr#.....",
    ".....#rRrrr#.....",
    ".....#rrrrr#.....",
    "....##rrrrr##....",
    "...#rrrrrrrrr#...",
    "...###########...",
    "........#........",
    "........#........",
    "........#........",
    "........#........",
    "........#........",
    ".................",
    ".................",
]
PIN_DOWN = [
    ".................",
    ".................",
    ".................",
    ".................",
    "......#####......",
    ".....#rrrrr#.....",
    ".....#rRrrr#.....",
    "....##rrrrr##....",
    "...#rrrrrrrrr#...",
    "...###########...",
    "........#........",
    "........#........",
    ".................",
    "....sssssssss....",
    ".................",
    ".................",
]
HIDE = [
    ".................",
    ".................",
    ".................",
    ".................",
    ".................",
    ".................",
    ".................",
    ".................",
    ".................",
    ".................",
    "...###########...",
    "...#mmmmmmmmm#...",
    "...###########...",
    ".................",
    ".................",
    ".................",
]


def buttons():
    normal = {"#": (64, 64, 64, 255), "r": (200, 40, 40, 255), "R": (250, 150, 150, 255),
              "m": (120, 120, 120, 255), "s": (0, 0, 0, 90)}
    hover = dict(normal)
    hover.update({"#": (0, 0, 128, 255), "r": (240, 70, 70, 255), "m": (70, 110, 220, 255)})
    frame = (0, 0, 128, 255)

    def framed(rows):
        # The hover pictures get a thin frame so that the button visibly reacts.
        rows = [list(r) for r in rows]
        for x in range(17):
            rows[0][x] = rows[15][x] = frame
        for y in range(16):
            rows[y][0] = rows[y][16] = frame
        return rows

    png(os.path.join(HERE, "pin_hot.png"), 17, 16, from_art(PIN_UP, normal, 17, 16), alpha=True)
    png(os.path.join(HERE, "pin_up.png"), 17, 16, framed(from_art(PIN_UP, hover, 17, 16)),
        alpha=True)
    png(os.path.join(HERE, "pin_down.png"), 17, 16, from_art(PIN_DOWN, normal, 17, 16),
        alpha=True)
    png(os.path.join(HERE, "hide.png"), 17, 16, from_art(HIDE, normal, 17, 16), alpha=True)
    png(os.path.join(HERE, "hide_hot.png"), 17, 16, framed(from_art(HIDE, hover, 17, 16)),
        alpha=True)


# 12 x 12 bell shown beside "[Alarme]" while the note's alarm is armed.
BELL = [
    ".....##.....",
    "....#rr#....",
    "...#rRrr#...",
    "..#rRrrrr#..",
    "..#rRrrrr#..",
    "..#rRrrrr#..",
    ".#rRrrrrrr#.",
    ".#rrrrrrrr#.",
    "#rrrrrrrrrr#",
    "############",
    ".....##.....",
    "............",
]


def bell():
    pal = {"#": (64, 64, 64, 255), "r": (200, 40, 40, 255), "R": (250, 150, 150, 255)}
    png(os.path.join(HERE, "bell.png"), 12, 12, from_art(BELL, pal, 12, 12), alpha=True)


# 32 x 32 pointing hand; the hot spot is the tip of the index finger, (9, 1).
CURSOR = [
    "........##......................",
    ".......#ww#.....................",
    ".......#ww#.....................",
    ".......#ww#.....................",
    ".......#ww#.....................",
    ".......#ww###...................",
    ".......#ww#ww###................",
    ".......#ww#ww#ww##..............",
    ".......#ww#ww#ww#w#.............",
    "....##.#ww#ww#ww#ww#............",
    "...#ww##wwwwwwwwwwww#...........",
    "...#www#wwwwwwwwwwww#...........",
    "....#ww#wwwwwwwwwwww#...........",
    ".....#wwwwwwwwwwwwww#...........",
    ".....#wwwwwwwwwwwwww#...........",
    "......#wwwwwwwwwwwww#...........",
    "......#wwwwwwwwwwww#............",
    ".......#wwwwwwwwwww#............",
    ".......#wwwwwwwwwww#............",
    "........#wwwwwwwww#.............",
    "........#wwwwwwwww#.............",
    "........###########.............",
]
CURSOR_HOTSPOT = (9, 1)


def cursor():
    pal = {"#": (0, 0, 0, 255), "w": (255, 255, 255, 255)}
    png(os.path.join(HERE, "cursor.png"), 32, 32, from_art(CURSOR, pal, 32, 32), alpha=True)


if __name__ == "__main__":
    window_picture()
    buttons()
    cursor()
    bell()
    print("cursor.png hot spot:", CURSOR_HOTSPOT)
