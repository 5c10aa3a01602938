#!/usr/bin/env python3
"""Writes the cursor of the stand-in help viewer: a 32 x 32 monochrome
pointing hand, unlike any cursor the system or the program has, so that the
tests can tell it by its image.
    helpcursor.py OUT.cur"""
import struct
import sys

# X black, o white, blank transparent; the hotspot is the fingertip.
ART = [
    "      XX",
    "     XooX",
    "     XooX",
    "     XooX",
    "     XooX",
    "     XooXXX",
    "     XooXooXXX",
    "     XooXooXooXX",
    "     XooXooXooXoX",
    " XXX XooooooooXooX",
    " XooXXoooooooooooX",
    " XoooXoooooooooooX",
    "  XooXoooooooooooX",
    "   XoXoooooooooooX",
    "   XooooooooooooX",
    "    XoooooooooooX",
    "    XooooooooooX",
    "     XoooooooooX",
    "     XoooooooooX",
    "      XooooooooX",
    "      XooooooooX",
    "      XXXXXXXXXX",
]
HOTSPOT = (6, 0)
SIZE = 32


def rows_bottom_up(bit):
    out = []
    for y in reversed(range(SIZE)):
        line = ART[y] if y < len(ART) else ""
        row = bytearray(SIZE // 8)
        for x in range(SIZE):
            c = line[x] if x < len(line) else " "
            if bit(c):
                row[x // 8] |= 0x80 >> (x % 8)
        out.append(bytes(row))
    return b"".join(out)


def cursor():
    xor = rows_bottom_up(lambda c: c == "o")  # white where set, black where clear
    mask = rows_bottom_up(lambda c: c == " ")  # the screen shows through
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 1, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = info + palette + xor + mask
    head = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 2, 0, HOTSPOT[0], HOTSPOT[1], len(image), 6 + 16)
    return head + entry + image


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as f:
        f.write(cursor())
