#!/usr/bin/env python3
"""Writes the seed inputs of the EXIF fuzz target into this folder (see README.md).

Each seed is a small file that reaches one part of the reader: both byte orders, every type
the formatter renders, the pointer IFDs, both thumbnail kinds, the JPEG segment search,
user-comment character codes and an IFD cycle. Run it from anywhere; it overwrites the seeds.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", "..", ".."))
BYTE, ASCII, SHORT, LONG, RATIONAL, UNDEFINED, SLONG, SRATIONAL = 1, 2, 3, 4, 5, 7, 9, 10
SIZE = {BYTE: 1, ASCII: 1, SHORT: 2, LONG: 4, RATIONAL: 8, UNDEFINED: 1, SLONG: 4, SRATIONAL: 8, 11: 4}


def tiff(big, ifds):
    """ifds: list of (entries, next index or None); an entry is (tag, type, values) where values
    is bytes for 1-byte types, a list of numbers (pairs for rationals), or ("ifd", index)."""
    e = ">" if big else "<"
    pos, starts = 8, []
    for entries, _ in ifds:
        starts.append(pos)
        pos += 2 + 12 * len(entries) + 4
        for _, typ, val in entries:
            n = len(val) if isinstance(val, bytes) else len(val) * SIZE[typ] if isinstance(val, list) else 0
            if n > 4:
                pos += (n + 1) & ~1
    out = bytearray((b"MM" if big else b"II") + struct.pack(e + "HI", 42, 8))
    for (entries, nxt), start in zip(ifds, starts):
        assert len(out) == start
        data = bytearray()
        data_at = start + 2 + 12 * len(entries) + 4
        out += struct.pack(e + "H", len(entries))
        for tag, typ, val in entries:
            if isinstance(val, tuple):
                out += struct.pack(e + "HHII", tag, LONG, 1, starts[val[1]])
                continue
            if isinstance(val, bytes):
                raw = val
            else:
                code = {SHORT: "H", LONG: "I", SLONG: "i", RATIONAL: "I", SRATIONAL: "i"}[typ]
                flat = [x for v in val for x in (v if isinstance(v, tuple) else (v,))]
                raw = struct.pack(e + code * len(flat), *flat)
            count = len(raw) // SIZE[typ]
            if len(raw) <= 4:
                out += struct.pack(e + "HHI", tag, typ, count) + raw.ljust(4, b"\0")
            else:
                out += struct.pack(e + "HHII", tag, typ, count, data_at + len(data))
                data += raw + (b"\0" if len(raw) % 2 else b"")
        out += struct.pack(e + "I", starts[nxt] if nxt is not None else 0)
        out += data
    return bytes(out)


def segment(marker, payload):
    return bytes([0xFF, marker]) + struct.pack(">H", len(payload) + 2) + payload


def jpeg(*segments):
    return b"\xff\xd8" + b"".join(segments) + b"\xff\xd9"


TINY_JPEG = b"\xff\xd8\xff\xdb\x00\x04\x00\x01\xff\xd9"


def camera(big, thumb):
    first = [(271, ASCII, b"Maker\0"), (272, ASCII, b"Model 1\0"), (274, SHORT, [6]),
             (282, RATIONAL, [(72, 1)]), (283, RATIONAL, [(300, 0)]), (296, SHORT, [2]),
             (34665, LONG, ("ifd", 1)), (34853, LONG, ("ifd", 3))]
    exif = [(33434, RATIONAL, [(1, 125)]), (33437, RATIONAL, [(28, 10)]), (34855, SHORT, [100, 200]),
            (36864, UNDEFINED, b"0220"), (37121, UNDEFINED, b"\x01\x02\x03\x00"),
            (37377, SRATIONAL, [(7, 1)]), (37378, RATIONAL, [(3, 1)]), (37379, SRATIONAL, [(-3, 2)]),
            (37380, SRATIONAL, [(-2, 3)]), (37383, SHORT, [5]), (37385, SHORT, [9]),
            (37386, RATIONAL, [(135, 1)]), (37510, UNDEFINED, b"ASCII\0\0\0a comment"),
            (40961, SHORT, [1]), (40962, LONG, [640]), (41728, UNDEFINED, b"\x03"),
            (41729, UNDEFINED, b"\x01"), (41989, SHORT, [35]), (700, BYTE, bytes(range(12))),
            (701, SLONG, [-1, 2]), (702, 11, b"\0\0\0\0"), (40965, LONG, ("ifd", 2))]
    interop = [(1, ASCII, b"R98\0"), (2, UNDEFINED, b"0100")]
    gps = [(0, BYTE, b"\x02\x02\x00\x00"), (1, ASCII, b"n\0"), (2, RATIONAL, [(35, 1), (30, 1), (15, 2)]),
           (3, ASCII, b"E\0"), (5, BYTE, b"\x00"), (12, ASCII, b"K\0")]
    if thumb == "jpeg":
        second = [(259, SHORT, [6]), (513, LONG, [0]), (514, LONG, [len(TINY_JPEG)])]
    else:  # three uncompressed strips, offsets as SHORT
        second = [(256, SHORT, [2]), (257, SHORT, [3]), (259, SHORT, [1]), (262, SHORT, [2]),
                  (273, SHORT, [0, 0, 0]), (277, SHORT, [3]), (278, SHORT, [1]),
                  (279, LONG, [6, 6, 6]), (284, SHORT, [1])]
    ifds = [(first, 4), (exif, None), (interop, None), (gps, None), (second, None)]
    body = tiff(big, ifds)
    # The strip and stream offsets point at data appended after the IFDs.
    payload = TINY_JPEG if thumb == "jpeg" else bytes(range(18))
    at = len(body)
    e = ">" if big else "<"
    out = bytearray(body + payload)
    fix = {513: [at]} if thumb == "jpeg" else {273: [at, at + 6, at + 12]}
    # Rewrite the offsets of the second IFD in place.
    second_start = struct.unpack(e + "I", out[4:8])[0]
    for _ in range(4):  # follow next-IFD pointers from the first IFD to the second
        n = struct.unpack(e + "H", out[second_start:second_start + 2])[0]
        nxt = struct.unpack(e + "I", out[second_start + 2 + 12 * n:second_start + 6 + 12 * n])[0]
        if nxt:
            second_start = nxt
            break
    n = struct.unpack(e + "H", out[second_start:second_start + 2])[0]
    for k in range(n):
        p = second_start + 2 + 12 * k
        tag, typ, count = struct.unpack(e + "HHI", out[p:p + 8])
        if tag in fix:
            vals = fix[tag]
            size = SIZE[typ]
            where = p + 8 if count * size <= 4 else struct.unpack(e + "I", out[p + 8:p + 12])[0]
            for i, v in enumerate(vals):
                out[where + i * size:where + (i + 1) * size] = struct.pack(e + ("H" if size == 2 else "I"), v)
    return bytes(out)


def exif_segment(t):
    return segment(0xE1, b"Exif\0\0" + t)


def comments():
    entries = [(37510, UNDEFINED, b"JIS\0\0\0\0\0\x1b$B$3$s$K$A$O\x1b(B!"),
               (37510, UNDEFINED, b"UNICODE\0" + "hi\u00e9\ud83d".encode("utf-16-le", "surrogatepass")),
               (37510, UNDEFINED, b"\0\0\0\0\0\0\0\0undefined code"),
               (37510, UNDEFINED, b"OTHER\0\0\0text")]
    return tiff(False, [(entries, None)])


def cycle():
    return tiff(True, [([(271, ASCII, b"loop\0"), (34665, LONG, ("ifd", 0))], None)])


def sample_exif():
    """samples/sample.jpg up to the end of its Exif segment, then the end-of-image marker."""
    with open(os.path.join(ROOT, "samples", "sample.jpg"), "rb") as f:
        data = f.read()
    pos = 2
    while data[pos:pos + 2] != b"\xff\xe1":
        pos += 2 + struct.unpack(">H", data[pos + 2:pos + 4])[0]
    end = pos + 2 + struct.unpack(">H", data[pos + 2:pos + 4])[0]
    return data[:end] + b"\xff\xd9"


SEEDS = {
    "camera_le_jpeg_thumb.tif": camera(False, "jpeg"),
    "camera_be_strips.tif": camera(True, "strips"),
    "app0_app1_exif.jpg": jpeg(segment(0xE0, b"JFIF\0\x01\x01\0\0\x01\0\x01\0\0"),
                               segment(0xE1, b"http://ns.adobe.com/xap/1.0/\0<x/>"),
                               exif_segment(camera(False, "jpeg"))),
    "user_comments.tif": comments(),
    "ifd_cycle.tif": cycle(),
    "sample_exif.jpg": sample_exif(),
}

for name, data in SEEDS.items():
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)
