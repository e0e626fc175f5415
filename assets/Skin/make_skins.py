#!/usr/bin/env python3
"""Draws the four skin pictures of the note's text area and writes them beside this script.

Each is a PNG image kept under the name the program looks for (home.dat, love.dat, office.dat,
play.dat), of the size of the text area's frame: 178 x 161 pixels. The rich-text box covers all
of it but a two-pixel margin, so the picture shows as a patterned frame around the text.
Standard library only:
    python3 assets/Skin/make_skins.py
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
W, H = 178, 161


def png(path, pixels):
    raw = bytearray()
    for row in pixels:
        raw.append(0)  # filter type None
        for p in row:
            raw.extend(p)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", len(pixels[0]), len(pixels), 8, 2, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    data += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def picture(light, dark, motif, cell):
    """A vertical wash from light to a little darker, the motif repeated on a grid of cells
    (every other row shifted by half a cell), and a one-pixel dark edge."""
    rows = []
    for y in range(H):
        row = []
        base = mix(light, dark, 0.35 * y / (H - 1))
        for x in range(W):
            if x == 0 or y == 0 or x == W - 1 or y == H - 1:
                row.append(dark)
                continue
            shift = cell // 2 if (y // cell) % 2 else 0
            u, v = (x + shift) % cell, y % cell
            row.append(mix(base, dark, 0.6) if motif(u, v, cell) else base)
        rows.append(row)
    return rows


def house(u, v, n):
    # A roof (a triangle) over a square with a door.
    cx = n / 2
    if 3 <= v < 8:
        return abs(u + 0.5 - cx) <= v - 2
    if 8 <= v < 14:
        body = 4 <= u < n - 4
        door = cx - 1 <= u < cx + 1 and v >= 11
        return body and not door
    return False


def heart(u, v, n):
    x = (u + 0.5 - n / 2) / (n / 3.2)
    y = (n / 2 - v - 0.5) / (n / 3.2) + 0.2
    return (x * x + y * y - 1) ** 3 - x * x * y ** 3 <= 0


def ruled(u, v, n):
    # Ruled paper: a line under every cell, crossed by short upright strokes.
    return v == n - 1 or u == 2


def star(u, v, n):
    x = abs(u + 0.5 - n / 2)
    y = abs(v + 0.5 - n / 2)
    return x + y <= 3 or (x <= 0.5 and y <= 6) or (y <= 0.5 and x <= 6)


def rgb(windows_colour):
    """A Windows colour value 0x00BBGGRR as (r, g, b)."""
    return (windows_colour & 0xFF, (windows_colour >> 8) & 0xFF, (windows_colour >> 16) & 0xFF)


SKINS = [
    # name, the frame's back colour and the window's back colour the program gives the skin
    ("home.dat", 0x9DDCFF, 0x46BBFF, house, 16),
    ("love.dat", 0xB584FF, 0x8535FE, heart, 14),
    ("office.dat", 0xFFEAC7, 0xFFBF5D, ruled, 12),
    ("play.dat", 0x0B61FF, 0x0850CC, star, 16),
]

if __name__ == "__main__":
    for name, frame, window, motif, cell in SKINS:
        png(os.path.join(HERE, name), picture(rgb(frame), rgb(window), motif, cell))
