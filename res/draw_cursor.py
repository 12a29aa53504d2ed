#!/usr/bin/env python3
"""Draws the pointing-hand cursor and writes HAND-M.CUR.

One 32x32 monochrome image (black outline, white fill, the rest transparent),
the hotspot at the tip of the index finger. Standard library only; the output
is the same bytes on every run.

    python3 res/draw_cursor.py          # writes res/HAND-M.CUR
"""
import os
import struct
import sys

SIZE = 32

# '.' transparent, '#' black, 'o' white.
HAND = [
    ".....##",
    "....#oo#",
    "....#oo#",
    "....#oo#",
    "....#oo#",
    "....#oo###",
    "....#oo#oo###",
    "....#oo#oo#oo###",
    "....#oo#oo#oo#oo#",
    ".##.#oo#oo#oo#oo#",
    "#oo##oo#oo#oo#oo#",
    "#ooo#oo#oo#oo#oo#",
    ".#oooooooooooooo#",
    "..#ooooooooooooo#",
    "..#ooooooooooooo#",
    "...#ooooooooooo#",
    "....#ooooooooo#",
    "....#ooooooooo#",
    "....###########",
]
HOTSPOT = (5, 0)


def pixel(x, y):
    if y < len(HAND) and x < len(HAND[y]):
        return HAND[y][x]
    return "."


def plane(bit_of):
    """A 1-bit plane, rows padded to 32 bits, bottom row first."""
    out = bytearray()
    for y in reversed(range(SIZE)):
        row = bytearray(SIZE // 8)
        for x in range(SIZE):
            if bit_of(pixel(x, y)):
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def cursor_file():
    # Colour index 1 (white) where the hand is white; the AND mask keeps the
    # screen where the picture is transparent.
    xor = plane(lambda p: p == "o")
    mask = plane(lambda p: p == ".")
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 1, 0, len(xor) + len(mask),
                         0, 0, 2, 0)
    image = header + palette + xor + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 2, 0, HOTSPOT[0], HOTSPOT[1], len(image),
                        6 + 16)
    return directory + entry + image


def main():
    assert all(len(row) <= SIZE for row in HAND) and len(HAND) <= SIZE
    assert pixel(*HOTSPOT) == "#", "the hotspot must lie on the fingertip"
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "HAND-M.CUR")
    with open(target, "wb") as f:
        f.write(cursor_file())


if __name__ == "__main__":
    main()
