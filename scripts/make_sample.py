#!/usr/bin/env python3
"""Makes samples/sample.jpg: a picture drawn by ImageMagick with an Exif segment written here.

The Exif data (first IFD, Exif IFD, GPS IFD and a second IFD with a JPEG thumbnail) is built
byte by byte, little-endian, so that the program's EXIF tab and preview have something real
to show without any third-party file. The values describe no real camera.
"""
import os
import struct
import subprocess
import sys
import tempfile

BYTE, ASCII, SHORT, LONG, RATIONAL, UNDEFINED, SRATIONAL = 1, 2, 3, 4, 5, 7, 10


def draw(path, size):
    w, h = size
    subprocess.run([
        "convert", "-size", f"{w}x{h}", "gradient:#2c5d8f-#f3e2c7",
        "-fill", "#f6c34a", "-draw", f"circle {w*0.72},{h*0.30} {w*0.72+w*0.08},{h*0.30}",
        "-fill", "#3d5a3c", "-draw", f"polygon 0,{h} 0,{h*0.70} {w*0.30},{h*0.52} {w*0.55},{h*0.74} {w*0.80},{h*0.58} {w},{h*0.72} {w},{h}",
        "-fill", "#243b24", "-draw", f"polygon 0,{h} {w*0.20},{h*0.80} {w*0.45},{h*0.90} {w*0.70},{h*0.78} {w},{h*0.88} {w},{h}",
        "-strip", "-quality", "88", path], check=True)


class Ifd:
    def __init__(self):
        self.entries = []

    def add(self, tag, kind, values):
        self.entries.append((tag, kind, values))


def encode_values(kind, values):
    if kind == ASCII:
        data = values.encode("ascii") + b"\0"
        return data, len(data)
    if kind == UNDEFINED:
        return values, len(values)
    if kind == BYTE:
        return bytes(values), len(values)
    fmt = {SHORT: "<H", LONG: "<I"}.get(kind)
    if fmt:
        return b"".join(struct.pack(fmt, v) for v in values), len(values)
    sign = "<ii" if kind == SRATIONAL else "<II"
    return b"".join(struct.pack(sign, n, d) for n, d in values), len(values)


def layout(ifds, thumbnail):
    """Returns the TIFF block: header, then each IFD followed by its out-of-line values."""
    # ifds: list of (name, Ifd, next_name or None); pointer tags are patched afterwards.
    out = bytearray(b"II*\0" + struct.pack("<I", 8))
    offsets = {}
    patches = []  # (position of a 4-byte field, name of the IFD or "thumb")
    for name, ifd, next_name in ifds:
        offsets[name] = len(out)
        entries = sorted(ifd.entries, key=lambda e: e[0])
        table_size = 2 + 12 * len(entries) + 4
        data_pos = len(out) + table_size
        table = bytearray(struct.pack("<H", len(entries)))
        data = bytearray()
        for tag, kind, values in entries:
            if isinstance(values, str) and values.startswith("@"):
                raw, count = b"\0\0\0\0", 1
                patches.append((len(out) + len(table) + 8, values[1:]))
            else:
                raw, count = encode_values(kind, values)
            table += struct.pack("<HHI", tag, kind, count)
            if len(raw) <= 4:
                table += raw.ljust(4, b"\0")
            else:
                table += struct.pack("<I", data_pos + len(data))
                data += raw
                if len(data) % 2:
                    data += b"\0"
        if next_name:
            patches.append((len(out) + len(table), next_name))
        table += b"\0\0\0\0"
        out += table + data
    offsets["thumb"] = len(out)
    out += thumbnail
    for pos, name in patches:
        out[pos:pos + 4] = struct.pack("<I", offsets[name])
    return bytes(out)


def exif_block(width, height, thumbnail):
    ifd0, exif, gps, ifd1 = Ifd(), Ifd(), Ifd(), Ifd()
    ifd0.add(0x010E, ASCII, "Evening over the hills")
    ifd0.add(0x010F, ASCII, "n.orbit")
    ifd0.add(0x0110, ASCII, "TOLM Sample Camera")
    ifd0.add(0x0112, SHORT, [1])
    ifd0.add(0x011A, RATIONAL, [(72, 1)])
    ifd0.add(0x011B, RATIONAL, [(72, 1)])
    ifd0.add(0x0128, SHORT, [2])
    ifd0.add(0x0131, ASCII, "make_sample.py")
    ifd0.add(0x0132, ASCII, "2024:05:18 18:42:07")
    ifd0.add(0x013B, ASCII, "TOLM project")
    ifd0.add(0x0213, SHORT, [1])
    ifd0.add(0x8769, LONG, "@exif")
    ifd0.add(0x8825, LONG, "@gps")
    exif.add(0x829A, RATIONAL, [(1, 250)])
    exif.add(0x829D, RATIONAL, [(56, 10)])
    exif.add(0x8822, SHORT, [3])
    exif.add(0x8827, SHORT, [200])
    exif.add(0x9000, UNDEFINED, b"0232")
    exif.add(0x9003, ASCII, "2024:05:18 18:42:07")
    exif.add(0x9004, ASCII, "2024:05:18 18:42:07")
    exif.add(0x9101, UNDEFINED, bytes([1, 2, 3, 0]))
    exif.add(0x9201, SRATIONAL, [(7965784, 1000000)])
    exif.add(0x9202, RATIONAL, [(4970854, 1000000)])
    exif.add(0x9204, SRATIONAL, [(-1, 3)])
    exif.add(0x9207, SHORT, [5])
    exif.add(0x9209, SHORT, [16])
    exif.add(0x920A, RATIONAL, [(350, 10)])
    exif.add(0xA000, UNDEFINED, b"0100")
    exif.add(0xA001, SHORT, [1])
    exif.add(0xA002, LONG, [width])
    exif.add(0xA003, LONG, [height])
    exif.add(0xA402, SHORT, [0])
    exif.add(0xA403, SHORT, [0])
    exif.add(0xA405, SHORT, [52])
    exif.add(0xA406, SHORT, [1])
    exif.add(0xA434, ASCII, "TOLM 35mm F5.6")
    gps.add(0x0000, BYTE, [2, 3, 0, 0])
    gps.add(0x0001, ASCII, "N")
    gps.add(0x0002, RATIONAL, [(35, 1), (39, 1), (2913, 100)])
    gps.add(0x0003, ASCII, "E")
    gps.add(0x0004, RATIONAL, [(139, 1), (44, 1), (2877, 100)])
    gps.add(0x0005, BYTE, [0])
    gps.add(0x0006, RATIONAL, [(405, 10)])
    ifd1.add(0x0103, SHORT, [6])
    ifd1.add(0x011A, RATIONAL, [(72, 1)])
    ifd1.add(0x011B, RATIONAL, [(72, 1)])
    ifd1.add(0x0128, SHORT, [2])
    ifd1.add(0x0201, LONG, "@thumb")
    ifd1.add(0x0202, LONG, [len(thumbnail)])
    tiff = layout([("ifd0", ifd0, "ifd1"), ("exif", exif, None), ("gps", gps, None),
                   ("ifd1", ifd1, None)], thumbnail)
    return b"Exif\0\0" + tiff


def main(out):
    with tempfile.TemporaryDirectory() as tmp:
        picture = os.path.join(tmp, "picture.jpg")
        thumb = os.path.join(tmp, "thumb.jpg")
        draw(picture, (480, 320))
        draw(thumb, (160, 106))
        image = open(picture, "rb").read()
        thumbnail = open(thumb, "rb").read()
    app1 = exif_block(480, 320, thumbnail)
    if len(app1) + 2 > 0xFFFF:
        sys.exit("make_sample: the Exif segment is too large")
    segment = b"\xFF\xE1" + struct.pack(">H", len(app1) + 2) + app1
    assert image[:2] == b"\xFF\xD8"
    with open(out, "wb") as f:
        f.write(image[:2] + segment + image[2:])


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "samples/sample.jpg")
