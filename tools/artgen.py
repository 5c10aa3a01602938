#!/usr/bin/env python3
"""Generates the program's own artwork: the icon (res/korvane.ico).
Run by hand when the artwork changes; the output is committed."""
import math
import struct
import sys


def knob_pixel(x, y, size):
    c = (size - 1) / 2.0
    dx, dy = x - c, y - c
    r = math.hypot(dx, dy) / (size / 2.0)
    if r > 1.0:
        return None
    if r > 0.82:
        return (0x2a, 0xd4, 0xc8)  # teal ring
    # pointer towards the upper right, like a knob turned half way
    ang = math.atan2(-dy, dx)
    if abs(ang - math.radians(60)) < 0.18 and 0.25 < r < 0.8:
        return (0xf0, 0xf4, 0xff)
    shade = int(40 + 40 * (1 - r))
    return (shade // 2, shade // 2 + 8, shade + 24)


def icon_image(size):
    rows = []
    mask_rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        row = b""
        bits = []
        for x in range(size):
            p = knob_pixel(x, y, size)
            if p is None:
                row += b"\0\0\0\0"
                bits.append(1)
            else:
                r, g, b = p
                row += bytes((b, g, r, 255))
                bits.append(0)
        rows.append(row)
        mask = bytearray((size + 31) // 32 * 4)
        for i, bit in enumerate(bits):
            if bit:
                mask[i // 8] |= 0x80 >> (i % 8)
        mask_rows.append(bytes(mask))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + b"".join(mask_rows)


def main(path):
    sizes = [32, 16]
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "res/korvane.ico")
