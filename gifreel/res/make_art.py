#!/usr/bin/env python3
"""Writes the banner control's art: the toolbox bitmap (16 x 15, 16 colours),
the About box icon (32 x 32, 16 colours) and the hand cursor (32 x 32,
monochrome, hot spot on the finger tip). usage: make_art.py OUT_DIR"""
import os
import struct
import sys

PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
           (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
           (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def film(x, y, w, h):
    """A strip of film: dark frame, perforations, three coloured pictures."""
    if y in (0, h - 1) or x in (0, w - 1):
        return 0
    if y <= h // 6 or y >= h - 1 - h // 6:
        return 15 if x % 3 == 1 else 0
    third = (w - 2) // 3 or 1
    return (9, 12, 10)[min((x - 1) // third, 2)]


def rows4(w, h, pixel):
    stride = ((w * 4 + 31) // 32) * 4
    out = b''
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            row[x // 2] |= pixel(x, y) << (4 if x % 2 == 0 else 0)
        out += bytes(row)
    return out


def rows1(w, h, bit):
    stride = ((w + 31) // 32) * 4
    out = b''
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            if bit(x, y):
                row[x // 8] |= 0x80 >> (x % 8)
        out += bytes(row)
    return out


def palette4():
    return b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)


def bmp(w, h):
    bits = rows4(w, h, lambda x, y: film(x, y, w, h))
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 4, 0, len(bits), 0, 0, 16, 0)
    offset = 14 + 40 + 64
    return struct.pack('<2sIHHI', b'BM', offset + len(bits), 0, 0, offset) + info + palette4() + bits


def icon():
    w = h = 32
    xor = rows4(w, h, lambda x, y: film(x, y, w, h))
    andmask = rows1(w, h, lambda x, y: False)
    info = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 4, 0, len(xor) + len(andmask), 0, 0, 16, 0)
    image = info + palette4() + xor + andmask
    return struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', w, h, 16, 0, 1, 4, len(image), 22) + image


HAND = [
    "......##........",
    ".....#..#.......",
    ".....#..#.......",
    ".....#..#.......",
    ".....#..###.....",
    ".....#..#..###..",
    ".....#..#..#..##",
    "..##.#..#..#..#.#",
    ".#..##........#.#",
    ".#...#..........#",
    "..#.............#",
    "..#............#.",
    "...#...........#.",
    "...#..........#..",
    "....#.........#..",
    "....##########...",
]


def cursor():
    w = h = 32
    def outline(x, y):
        return y < len(HAND) and x < len(HAND[y]) and HAND[y][x] == '#'
    def inside(x, y):
        if y >= len(HAND):
            return False
        row = HAND[y]
        first, last = row.find('#'), row.rfind('#')
        return first >= 0 and first < x < last and row[x] != '#' if x < len(row) else False
    # Monochrome cursor: AND 0 + XOR 0 = black, AND 0 + XOR 1 = white, AND 1 + XOR 0 = transparent.
    xor = rows1(w, h, lambda x, y: inside(x, y))
    andmask = rows1(w, h, lambda x, y: not (outline(x, y) or inside(x, y)))
    info = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 1, 0, len(xor) + len(andmask), 0, 0, 2, 0)
    colours = struct.pack('<BBBBBBBB', 0, 0, 0, 0, 255, 255, 255, 0)
    image = info + colours + xor + andmask
    return struct.pack('<HHH', 0, 2, 1) + struct.pack('<BBBBHHII', w, h, 2, 0, 6, 0, len(image), 22) + image


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, data in (('gifreel_toolbox.bmp', bmp(16, 15)), ('gifreel.ico', icon()), ('hand.cur', cursor())):
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)


main()
