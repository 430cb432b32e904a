#!/usr/bin/env python3
"""Writes the hand-made seeds of the change-log, number and spill-file fuzz targets into
fuzz/corpus/<target>/. Run from anywhere; the files are committed, so this only documents
and reproduces them."""
import os
import struct

here = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    os.makedirs(os.path.join(here, target), exist_ok=True)
    with open(os.path.join(here, target, name), "wb") as f:
        f.write(data)


# Change log: byte 0 picks the system text (bits 0-1) and a failing result (bit 2); the rest
# is paths split at NUL bytes.
cl = "tolm_changelog_fuzz"
put(cl, "one_path", b"\x00C:\\Users\\taro\\Pictures\\IMG_0001.JPG")
put(cl, "two_paths_english_text", b"\x01C:\\data\0C:\\data\\a.txt")
# Code page 932: "写真\表.jpg" where the trail byte of 表 (0x95 0x5C) is a backslash.
put(cl, "japanese_trail_backslash", b"\x02C:\\\x8e\xca\x90\x5e\\\x95\x5c.jpg")
put(cl, "lead_byte_at_end_failed", b"\x06C:\\dir\\name\x82")
put(cl, "crlf_inside_path", b"\x00C:\\a\r\n[2] C:\\forged")
put(cl, "longest_path", b"\x00" + b"C:\\" + b"d" * 256)
put(cl, "one_past_longest", b"\x04" + b"C:\\" + b"d" * 257)
put(cl, "empty_path", b"\x00")

# Numbers: the text as the caller passes it (up to its first NUL); byte 0 also picks a radix.
nm = "kel_number_fuzz"
for name, text in [("hex_max", b"0x7FFFFFFFFFFFFFFF"), ("amp_h", b"&hff"), ("hex_empty", b"0x"),
                   ("hex_17_digits", b"0x" + b"1" * 17), ("hex_bad_digit", b"0x1g"),
                   ("negative", b"-42"), ("space_then_digits", b" 12abc"),
                   ("decimal_wraps", b"18446744073709551617"), ("most_negative", b"-9223372036854775808"),
                   ("sjis_mixed_case", b"Ab\x82\x61\x82\x81zZ\x83"), ("tab_sign", b"\t+7")]:
    put(nm, name, text)

# Spill files: header (magic, width, height, depth, row bytes, palette count, alpha flag,
# transparent colour), the table, then the rows.
sp = "vop_spill_fuzz"


def spill(width, height, depth, entries, alpha=0, transparent=-1):
    row = (depth * width + 31) // 32 * 4
    head = b"IW4R" + struct.pack("<7i", width, height, depth, row, entries, alpha, transparent)
    table = bytes((i * 37 + k) & 0xFF for i in range(entries) for k in range(4))
    pixels = bytes((i * 11) & 0xFF for i in range(row * height))
    return head + table + pixels


put(sp, "rgb24_3x2", spill(3, 2, 24, 0))
put(sp, "argb32_2x2_alpha", spill(2, 2, 32, 0, alpha=1))
put(sp, "rgb16_5x3", spill(5, 3, 16, 0))
put(sp, "index8_4x4_16_colours", spill(4, 4, 8, 16, transparent=0x00FF00))
put(sp, "index4_7x2", spill(7, 2, 4, 16))
put(sp, "index1_33x1", spill(33, 1, 1, 2))
put(sp, "cut_last_row", spill(3, 2, 24, 0)[:-1])
