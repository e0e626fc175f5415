#!/usr/bin/env python3
"""Draws the program icon, a small yellow note, as PNG files (standard library only).

Without arguments it writes the icons kept here: the program's and the one the tray icon
alternates with while an alarm rings, a red bell over the note. With a folder and sizes, as the
build runs it, the desktop's icon theme tree: FOLDER/<size>x<size>/apps/notavex.png.
"""

import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

PAPER = (255, 224, 74, 255)
FOLD = (230, 194, 30, 255)
EDGE = (138, 109, 0, 255)
LINE = (154, 128, 32, 255)
CLEAR = (0, 0, 0, 0)
BELL = (210, 35, 25, 255)
BELL_EDGE = (110, 15, 5, 255)
BELL_LIGHT = (250, 140, 120, 255)


def pixel(x, y, size):
    """Colour of one pixel; the drawing is laid out on a 16-unit grid."""
    u = 16.0 / size
    fx, fy = (x + 0.5) * u, (y + 0.5) * u
    if not (2 <= fx < 14 and 2 <= fy < 14):
        return CLEAR
    # The bottom-right corner is folded over.
    if fx + fy > 24:
        return CLEAR
    if fx >= 10 and fy >= 10:
        return FOLD if fx + fy <= 24 - u else EDGE
    edge = u * 1.0
    if fx < 2 + edge or fy < 2 + edge or fx >= 14 - edge or fy >= 14 - edge or fx + fy > 24 - u:
        return EDGE
    for row in range(3):
        ly = 5 + 2.5 * row
        if 4 <= fx < 11 and ly - 0.35 <= fy < ly + 0.35 + (u - 0.7 if u > 0.7 else 0):
            return LINE
    return PAPER


def in_bell(fx, fy):
    """Whether a point of the 16-unit grid lies in the bell: knob, dome, flared body, rim, clapper."""
    dx = abs(fx - 8)
    if (fx - 8) ** 2 + (fy - 3.2) ** 2 <= 1.1 ** 2 or (fx - 8) ** 2 + (fy - 13.4) ** 2 <= 1.2 ** 2:
        return True
    if 3.8 <= fy < 7.5:
        return (fx - 8) ** 2 + (fy - 7.5) ** 2 <= 3.7 ** 2
    if 7.5 <= fy < 11.5:
        return dx <= 3.7 + (fy - 7.5) * 0.55
    return 11.5 <= fy < 12.6 and dx <= 6.3


def ringing_pixel(x, y, size):
    """The note with a red bell over it."""
    u = 16.0 / size
    fx, fy = (x + 0.5) * u, (y + 0.5) * u
    if not in_bell(fx, fy):
        return pixel(x, y, size)
    if not all(in_bell(fx + ex, fy + ey) for ex, ey in ((u, 0), (-u, 0), (0, u), (0, -u))):
        return BELL_EDGE
    if 5.6 <= fx < 6.6 and 6 <= fy < 11:
        return BELL_LIGHT
    return BELL


def png(size, draw=pixel):
    raw = bytearray()
    for y in range(size):
        raw.append(0)  # filter: none
        for x in range(size):
            raw.extend(draw(x, y, size))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def main(args):
    if args:
        folder, sizes = args[0], [int(a) for a in args[1:]]
        targets = [(os.path.join(folder, "%dx%d" % (s, s), "apps", "notavex.png"), s) for s in sizes]
    else:
        targets = [(os.path.join(HERE, "notavex.png"), 64), (os.path.join(HERE, "notavex-32.png"), 32)]
        for name, size in (("notavex-tocando.png", 64), ("notavex-tocando-32.png", 32)):
            with open(os.path.join(HERE, name), "wb") as f:
                f.write(png(size, ringing_pixel))
    for path, size in targets:
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(png(size))


if __name__ == "__main__":
    main(sys.argv[1:])
