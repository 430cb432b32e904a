#!/usr/bin/env python3
"""Draws the program icon (res/tolm.ico): a property sheet with a tag, at 16, 32 and 48 pixels.

Reproducible: run it again and the same bytes come out. The shapes are defined on a 48-unit
grid and sampled 4x4 per pixel for smooth edges.
"""
import struct
import sys

PAPER = (250, 250, 246)
EDGE = (60, 80, 110)
FOLD = (200, 210, 225)
LINE = (120, 140, 170)
TAG = (220, 90, 40)
HOLE = (250, 250, 246)


def colour_at(x, y):
    """Colour of the design at grid point (x, y) on a 48 x 48 grid, or None (transparent)."""
    # the tag, lower right, drawn on top
    if 26 <= x <= 45 and 27 <= y <= 44:
        cx, cy = x - 26, y - 27
        if cx + (17 - cy) >= 6 and cx + cy >= 0:  # clipped corner on the left
            if (x - 33) ** 2 + (y - 33) ** 2 <= 4:
                return HOLE
            return TAG
    # the sheet with a folded corner
    if 8 <= x <= 38 and 3 <= y <= 45:
        if x - 28 > y - 3:  # the fold's triangle is cut away
            return None
        edge = x < 10 or y > 43 or y < 5 or x > 36
        if x >= 28 and y <= 13 and x - 28 >= y - 3 - 2:
            return EDGE if x - 28 >= y - 3 - 1 else FOLD
        if edge:
            return EDGE
        if y in (14, 15, 20, 21, 26, 27) and 14 <= x <= 32:
            return LINE
        if y in (32, 33, 38, 39) and 14 <= x <= 24:
            return LINE
        return PAPER
    return None


def render(size):
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(4):
                for sx in range(4):
                    gx = (px + (sx + 0.5) / 4) * 48 / size
                    gy = (py + (sy + 0.5) / 4) * 48 / size
                    c = colour_at(int(gx), int(gy))
                    if c is not None:
                        acc[0] += c[0]; acc[1] += c[1]; acc[2] += c[2]; acc[3] += 1
            if acc[3]:
                n = acc[3]
                row.append((acc[2] // n, acc[1] // n, acc[0] // n, 255 * n // 16))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def dib(size):
    pixels = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    body = b"".join(bytes(p) for row in reversed(pixels) for p in row)
    mask_row = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(pixels):
        bits = 0
        data = bytearray(mask_row)
        for x, p in enumerate(row):
            if p[3] == 0:
                data[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(data)
    return header + body + mask


def main(out):
    sizes = [16, 32, 48]
    images = [dib(s) for s in sizes]
    data = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, img in zip(sizes, images):
        data += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    data += b"".join(images)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "res/tolm.ico")
