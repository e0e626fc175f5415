#!/usr/bin/env python3
"""An xwd picture from standard input written as a PNG file, optionally cut to x y w h:
    xwd -root -silent | python3 assets/xwd_to_png.py OUT.png [X Y W H]
Used by the scripts that take pictures of the program for the help and the README."""
import struct
import sys
import zlib

d = sys.stdin.buffer.read()
hdr = struct.unpack(">25I", d[:100])
size, order, bits, per_line, ncolors, W, H = hdr[0], hdr[7], hdr[11], hdr[12], hdr[19], hdr[4], hdr[5]
px, n, masks = d[size + 12 * ncolors:], bits // 8, hdr[14:17]
x0, y0, w, h = list(map(int, sys.argv[2:6])) if len(sys.argv) > 2 else [0, 0, W, H]
x0, y0 = max(0, x0), max(0, y0)
w, h = min(w, W - x0), min(h, H - y0)
raw = bytearray()
for y in range(y0, y0 + h):
    raw.append(0)
    for x in range(x0, x0 + w):
        i = y * per_line + x * n
        v = int.from_bytes(px[i:i + n], "little" if order == 0 else "big")
        raw.extend(((v & m) >> ((m & -m).bit_length() - 1)) for m in masks)


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


with open(sys.argv[1], "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))
