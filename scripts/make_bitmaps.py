#!/usr/bin/env python3
"""Draws the program's bitmaps (res/bitmaps/*.bmp): 8-bit, one key colour at (0, 0) that the
program replaces by the button-face colour. Reproducible: the same bytes on every run.
"""
import os
import struct
import sys

PALETTE = {
    "key": (255, 0, 255), "white": (255, 255, 255), "black": (0, 0, 0),
    "ink": (45, 62, 90), "line": (120, 140, 170), "paper": (250, 250, 244),
    "fold": (200, 210, 225), "sky": (110, 160, 215), "sun": (245, 195, 70),
    "hill": (70, 130, 70), "folder": (232, 184, 70), "folderdark": (190, 140, 40),
    "red": (210, 70, 50), "green": (60, 150, 80), "blue": (50, 100, 190),
    "grey": (150, 150, 150), "lightgrey": (215, 215, 215), "orange": (225, 110, 40),
    "brown": (140, 90, 50), "cream": (250, 235, 200),
}
NAMES = list(PALETTE)

# 3 by 5 letters for the small labels and the logo.
FONT = {
    "L": ["1..", "1..", "1..", "1..", "111"], "O": ["111", "1.1", "1.1", "1.1", "111"],
    "G": ["111", "1..", "1.1", "1.1", "111"], "Y": ["1.1", "1.1", "111", ".1.", ".1."],
    "E": ["111", "1..", "11.", "1..", "111"], "S": ["111", "1..", "111", "..1", "111"],
    "T": ["111", ".1.", ".1.", ".1.", ".1."],
    "M": ["1...1", "11.11", "1.1.1", "1...1", "1...1"],
    "i": [".1.", "...", ".1.", ".1.", ".1."],
}


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [["key"] * w for _ in range(h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h and not (x == 0 and y == 0):
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.put(x, y0, c); self.put(x, y1, c)
        for y in range(y0, y1 + 1):
            self.put(x0, y, c); self.put(x1, y, c)

    def disc(self, cx, cy, r, c):
        for y in range(int(cy - r) - 1, int(cy + r) + 2):
            for x in range(int(cx - r) - 1, int(cx + r) + 2):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.put(x, y, c)

    def text(self, x, y, s, c, scale=1):
        left = 0  # in font pixels; each letter is as wide as its rows, with one column between
        for ch in s:
            glyph = FONT[ch]
            for gy, row in enumerate(glyph):
                for gx, bit in enumerate(row):
                    if bit == "1":
                        self.rect(x + (left + gx) * scale, y + gy * scale,
                                  x + (left + gx) * scale + scale - 1, y + gy * scale + scale - 1, c)
            left += len(glyph[0]) + 1

    def blit(self, other, ox, oy):
        for y in range(other.h):
            for x in range(other.w):
                if other.px[y][x] != "key":
                    self.put(ox + x, oy + y, other.px[y][x])

    def save(self, path):
        row = (self.w + 3) & ~3
        palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE.values())
        palette += b"\0" * (4 * (256 - len(PALETTE)))
        pixels = b"".join(bytes(NAMES.index(c) for c in line).ljust(row, b"\0")
                          for line in reversed(self.px))
        header = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
        offset = 14 + len(header) + len(palette)
        with open(path, "wb") as f:
            f.write(b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset))
            f.write(header + palette + pixels)


def document(size, fill="paper"):
    """A sheet with a folded corner, scaled to 16 or 32 pixels."""
    c = Canvas(size, size)
    s = size // 16
    x0, y0, x1, y1 = 2 * s, 1 * s, 13 * s, size - 1 * s - 1
    fold = 4 * s
    c.rect(x0, y0, x1, y1, fill)
    for i in range(fold):
        for j in range(fold - i):
            c.put(x1 - j, y0 + i, "key")
    c.frame(x0, y0, x1, y1, "ink")
    for i in range(fold + 1):
        c.put(x1 - fold + i, y0 + i, "ink")
        for j in range(i):
            c.put(x1 - fold + j, y0 + i, "fold")
    for i in range(fold):
        c.put(x1 - fold, y0 + i, "ink")
    for j in range(fold + 1):
        c.put(x1 - fold + j, y0 + fold, "ink")
    return c


def lines(c, x0, x1, ys, colour="line"):
    for y in ys:
        c.rect(x0, y, x1, y, colour)


def camera(size=16):
    c = Canvas(size, size)
    c.rect(1, 5, 14, 13, "ink"); c.rect(2, 6, 13, 12, "grey")
    c.rect(5, 3, 9, 5, "ink"); c.disc(7.5, 9.5, 3.0, "ink"); c.disc(7.5, 9.5, 2.0, "sky")
    c.put(12, 7, "sun")
    return c


def info(size=16):
    c = Canvas(size, size)
    c.disc(8, 8, 7, "blue"); c.disc(8, 8, 6, "blue")
    c.text(6, 4, "i", "white", 1)
    c.rect(7, 4, 8, 5, "white"); c.rect(7, 7, 8, 12, "white"); c.rect(6, 12, 9, 12, "white")
    return c


def sheet16():
    c = document(16)
    lines(c, 4, 10, [6, 8, 10, 12])
    return c


def trash16():
    c = Canvas(16, 16)
    c.rect(2, 3, 13, 4, "ink"); c.rect(6, 1, 9, 2, "ink")
    c.rect(3, 5, 12, 14, "ink"); c.rect(4, 5, 11, 13, "lightgrey")
    for x in (5, 7, 9):
        c.rect(x + 1, 6, x + 1, 12, "grey")
    return c


def picture_document():
    c = document(32)
    c.rect(7, 12, 22, 26, "sky")
    c.disc(18.5, 16.5, 2.5, "sun")
    for x in range(7, 23):
        top = 22 - abs(x - 12) // 2 if x < 17 else 20 + abs(x - 19) // 2
        c.rect(x, max(top, 12), x, 26, "hill")
    c.frame(7, 12, 22, 26, "ink")
    return c


def folder32():
    c = Canvas(32, 32)
    c.rect(2, 7, 13, 10, "folderdark"); c.rect(2, 9, 29, 27, "folderdark")
    c.rect(3, 12, 28, 26, "folder"); c.frame(2, 9, 29, 27, "brown")
    c.rect(3, 11, 28, 11, "cream")
    return c


def notebook_log():
    c = Canvas(32, 32)
    c.rect(6, 2, 27, 29, "green"); c.rect(9, 4, 25, 27, "paper"); c.frame(6, 2, 27, 29, "ink")
    for y in range(4, 28, 4):
        c.rect(4, y, 7, y + 1, "ink")
    c.text(11, 11, "LOG", "ink", 1)
    lines(c, 11, 23, [21, 24])
    return c


def dotted_yes():
    c = document(32, fill="paper")
    for y in range(5, 30):
        for x in range(4, 27):
            if (x + y) % 2 == 0 and c.px[y][x] == "paper":
                c.put(x, y, "key")
    c.rect(6, 12, 23, 20, "white"); c.frame(6, 12, 23, 20, "ink")
    c.text(9, 14, "YES", "red")
    return c


def gear_yes():
    c = document(32)
    cx, cy = 15, 12
    for dx, dy in [(0, -5), (0, 5), (-5, 0), (5, 0), (-4, -4), (4, 4), (-4, 4), (4, -4)]:
        c.disc(cx + dx + 0.5, cy + dy + 0.5, 1.6, "grey")
    c.disc(cx + 0.5, cy + 0.5, 4.2, "grey"); c.disc(cx + 0.5, cy + 0.5, 1.8, "paper")
    c.rect(6, 20, 23, 27, "white"); c.frame(6, 20, 23, 27, "ink")
    c.text(9, 21, "YES", "red")
    return c


def group_images():
    strip = Canvas(96, 16)
    tiff = document(16); tiff.text(6, 7, "T", "ink")
    exif = camera()
    gps = Canvas(16, 16); gps.disc(8, 6, 5, "red"); gps.disc(8, 6, 2, "white")
    for i in range(6):
        gps.rect(8 - (5 - i) // 2, 10 + i, 7 + (5 - i) // 2 + 1, 10 + i, "red")
    inter = Canvas(16, 16)
    for i in range(4):
        inter.rect(2 + i, 4 - i, 2 + i, 4 + i, "blue"); inter.rect(13 - i, 11 - i, 13 - i, 11 + i, "green")
    inter.rect(5, 4, 13, 4, "blue"); inter.rect(2, 11, 10, 11, "green")
    thumb = Canvas(16, 16); thumb.rect(2, 3, 13, 12, "sky"); thumb.disc(10, 6, 1.8, "sun")
    for x in range(2, 14):
        thumb.rect(x, 9 + abs(x - 6) // 3, x, 12, "hill")
    thumb.frame(2, 3, 13, 12, "ink")
    for i, img in enumerate([tiff, exif, gps, inter, thumb]):
        strip.blit(img, 16 * i, 0)
    return strip


def logo():
    c = Canvas(100, 34)
    c.text(4, 7, "TOLM", "ink", 4)
    c.rect(76, 8, 95, 27, "orange")
    for i in range(6):
        for j in range(6 - i):
            c.put(76 + j, 8 + i, "key"); c.put(76 + j, 27 - i, "key")
    c.disc(82, 17.5, 2, "paper")
    c.rect(4, 29, 95, 30, "line")
    return c


def mascot():
    c = Canvas(32, 32)
    c.disc(16, 17, 13, "brown"); c.disc(16, 19, 10, "cream")
    c.disc(11, 14, 4.5, "white"); c.disc(21, 14, 4.5, "white")
    c.disc(11, 14, 2, "black"); c.disc(21, 14, 2, "black")
    c.rect(15, 18, 17, 20, "orange"); c.rect(16, 21, 16, 21, "orange")
    for i in range(4):
        c.rect(5 + i, 3 + i, 6 + i, 3 + i, "brown"); c.rect(25 - i, 3 + i, 26 - i, 3 + i, "brown")
    return c


def indicator(level):
    c = Canvas(10, 20)
    c.frame(2, 1, 7, 18, "ink"); c.rect(3, 2, 6, 17, "white")
    if level >= 1:
        c.rect(3, 10, 6, 17, "green")
    if level >= 2:
        c.rect(3, 2, 6, 9, "green")
    return c


def strip(images, w):
    s = Canvas(w * len(images), w)
    for i, img in enumerate(images):
        s.blit(img, w * i, 0)
    return s


def main(folder):
    os.makedirs(folder, exist_ok=True)
    doc32 = document(32); lines(doc32, 8, 20, [10, 14, 18, 22])
    out = {
        151: strip([sheet16(), camera(), info()], 16),
        175: strip([trash16(), info()], 16),
        154: doc32, 155: picture_document(), 156: folder32(), 157: notebook_log(),
        158: dotted_yes(), 159: gear_yes(), 153: group_images(), 152: logo(), 165: mascot(),
        166: indicator(0), 167: indicator(1), 168: indicator(2),
    }
    for number, canvas in out.items():
        canvas.save(os.path.join(folder, f"{number}.bmp"))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "res/bitmaps")
