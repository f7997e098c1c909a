#!/usr/bin/env python3
"""Writes the graph control's toolbox bitmap: 16 x 15 pixels, 16 colours,
a small tilted pie. usage: make_art.py OUT_DIR"""
import math
import os
import struct
import sys

W, H = 16, 15
# Palette indices: 0 grey background, 1 black, 2 magenta, 3 blue, 4 purple.
palette = [(192, 192, 192), (0, 0, 0), (255, 0, 255), (0, 0, 255), (128, 0, 128)] + [(0, 0, 0)] * 11


def pixel(x, y):
    cx, cy, rx, ry = 7.5, 5.5, 7.0, 4.5
    top = ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2
    side = ((x - cx) / rx) ** 2 + ((y - cy - 3) / ry) ** 2
    if top <= 1.0:
        if top > 0.7:
            return 1
        return 3 if (x < cx and y < cy) else 2
    if side <= 1.0:
        return 4
    return 0


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    stride = ((W * 4 + 31) // 32) * 4
    rows = b''
    for y in range(H - 1, -1, -1):
        row = bytearray(stride)
        for x in range(W):
            v = pixel(x, y)
            row[x // 2] |= v << (4 if x % 2 == 0 else 0)
        rows += bytes(row)
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    info = struct.pack('<IiiHHIIiiII', 40, W, H, 1, 4, 0, len(rows), 0, 0, 16, 0)
    offset = 14 + len(info) + len(pal)
    header = struct.pack('<2sIHHI', b'BM', offset + len(rows), 0, 0, offset)
    with open(os.path.join(out, 'graph_toolbox.bmp'), 'wb') as f:
        f.write(header + info + pal + rows)


main()
