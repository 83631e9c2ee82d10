#!/usr/bin/env python3
"""Writes a few small metafiles into a folder, as the fuzz target's first corpus."""
import os
import struct
import sys


def words(*values):
    return b"".join(struct.pack("<H", v & 0xFFFF) for v in values)


def color(r, g, b):
    return bytes([r, g, b, 0])


def record(function, params=b""):
    if len(params) % 2:
        params += b"\0"
    return struct.pack("<IH", 3 + len(params) // 2, function) + params


def plain(records, objects=16):
    body = b"".join(records) + record(0)
    return words(1, 9, 0x0300) + struct.pack("<I", (18 + len(body)) // 2) + words(objects) + \
        struct.pack("<I", 64) + words(0) + body


def placeable(records, box, inch):
    head = struct.pack("<I", 0x9AC6CDD7) + words(0, *box, inch) + struct.pack("<I", 0)
    checksum = 0
    for (w,) in struct.iter_unpack("<H", head):
        checksum ^= w
    return head + words(checksum) + plain(records)


def dib(width, height, bits=24):
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, 0, 0, 0, 0, 0)
    table = b"".join(bytes([i * 40 % 256, i * 90 % 256, i * 20 % 256, 0]) for i in range(1 << bits)) if bits <= 8 else b""
    stride = (width * bits + 31) // 32 * 4
    return header + table + bytes((x * 37) % 256 for x in range(stride * height))


shapes = [
    record(0x020B, words(0, 0)), record(0x020C, words(100, 200)), record(0x0103, words(8)),
    record(0x02FC, words(0) + color(255, 0, 0) + words(0)), record(0x012D, words(0)),
    record(0x02FA, words(1, 1, 0) + color(0, 0, 255)), record(0x012D, words(1)),
    record(0x041B, words(50, 50, 0, 0)), record(0x001E), record(0x0418, words(40, 100, 0, 60)),
    record(0x0127, words(0xFFFF)), record(0x0214, words(60, 0)), record(0x0213, words(90, 190)),
    record(0x061C, words(10, 10, 90, 140, 60, 110)), record(0x081A, words(60, 150, 60, 200, 100, 200, 50, 150)),
    record(0x0830, words(60, 150, 60, 200, 100, 200, 50, 150)), record(0x0817, words(60, 150, 60, 200, 100, 200, 50, 150)),
    record(0x0538, words(2, 3, 3, 0, 0, 10, 0, 0, 10, 20, 20, 30, 20, 20, 30)),
    record(0x0325, words(3, 0, 90, 10, 80, 20, 90)), record(0x0324, words(3, 0, 0, 10, 0, 5, 9)),
    record(0x0416, words(90, 190, 10, 10)), record(0x0415, words(30, 30, 20, 20)), record(0x0220, words(5, 0xFFF6)),
    record(0x012C, words(0)),
    record(0x0106, words(2)), record(0x0104, words(7)), record(0x0201, color(0, 255, 0)), record(0x0102, words(2)),
    record(0x041F, color(0, 255, 0) + words(99, 199)), record(0x061D, struct.pack("<I", 0xF00021) + words(5, 5, 90, 120)),
    record(0x01F0, words(0)), record(0x0626, words(15, 4) + b"\0\0\0\0"),
]
text = [
    record(0x020C, words(60, 200)),
    record(0x02FB, words(0xFFEC, 0, 450, 0, 700) + b"\1\1\1\0\0\0\0\0" + b"Sans".ljust(32, b"\0")),
    record(0x012D, words(0)), record(0x0209, color(0, 0, 255)), record(0x012E, words(24 | 1)),
    record(0x0521, words(3) + b"Abc\0" + words(30, 10)),
    record(0x0A32, words(45, 100, 2, 6, 100, 30, 150, 59) + b"Hi" + words(8, 8)),
    record(0x0A32, words(20, 10, 3, 0) + b"xyz\0" + words(5, 5, 5)),
    record(0x0108, words(3)), record(0x020A, words(2, 30)), record(0x0521, words(7) + b"\xc4 \xd6 \xdc!\0" + words(40, 10)),
]
bitmaps = [
    record(0x020C, words(20, 20)),
    record(0x0F43, struct.pack("<I", 0xCC0020) + words(0, 2, 2, 0, 0, 20, 20, 0, 0) + dib(2, 2)),
    record(0x0B41, struct.pack("<I", 0x8800C6) + words(4, 4, 0, 0, 10, 10, 5, 5) + dib(4, 4, 8)),
    record(0x0940, struct.pack("<I", 0xCC0020) + words(0, 0, 3, 3, 1, 1) + dib(3, 3, 1)),
    record(0x0940, struct.pack("<I", 0xF00021) + words(0, 0, 0, 10, 10, 0, 0)),
    record(0x0142, words(5, 0) + dib(8, 8, 4)), record(0x012D, words(0)), record(0x041B, words(20, 20, 0, 0)),
    record(0x00F7, words(0x300, 1) + b"\1\2\3\0"), record(0x06FF, words(0) * 11), record(0x01F9, words(0) * 8),
]

# Costly drawing: a pen far wider than the picture over a polyline in a
# tiny square and over one-unit lines, a font for each text, glyphs larger
# than the picture at one place, outlines crossing each row many times.
wide_pen = [record(0x020C, words(4096, 4096)), record(0x02FA, words(0, 8000, 0) + color(0, 0, 255)),
            record(0x012D, words(0))]
polyline = wide_pen + [record(0x0325, words(200, *[2048 + (i * 7) % 3 if j == 0 else 2048 + (i * 5) % 3
                                                  for i in range(200) for j in (0, 1)]))]
lines = wide_pen + [record(0x0213, words(2048 + i % 2, 2048)) for i in range(300)]
fonts = [record(0x020C, words(4096, 4096))]
for i in range(40):
    fonts += [record(0x02FB, words(0x10000 - 8 - i, 0, 0, 0, 400) + b"\0" * 8 + (b"Face%d" % i).ljust(32, b"\0")),
              record(0x012D, words(0)), record(0x0A32, words(i * 16, 10, 1, 0) + b"T\0"), record(0x01F0, words(0))]
glyphs = [record(0x020C, words(4096, 4096)),
          record(0x02FB, words(0x10000 - 8192, 0, 0, 0, 700) + b"\0" * 8 + b"Sans".ljust(32, b"\0")),
          record(0x012D, words(0))] + [record(0x0A32, words(100, 100, 16, 0) + b"W" * 16 + words(*[0] * 16))] * 8
crossing = [record(0x020C, words(4096, 4096)), record(0x02FC, words(0) + color(255, 0, 0) + words(0)),
            record(0x012D, words(0)), record(0x02FA, words(0, 20, 0) + color(0, 0, 255)), record(0x012D, words(1)),
            record(0x0324, words(300, *[(i * 2654435761 >> (8 * j)) % 4096 for i in range(300) for j in (0, 1)]))]

# Costly pixels: small bitmaps stretched over the picture at each depth and
# raster operation, blocks of pattern and hatched brushes, a dotted zigzag,
# fills and bitmaps under a clip of 256 pieces laid out anew for each.
def stretched(bits, rop, count):
    return [record(0x020C, words(4096, 4096))] + \
        [record(0x0F43, struct.pack("<I", rop) + words(0, 2, 2, 0, 0, 4096, 4096, 0, 0) + dib(2, 2, bits))] * count


def blocks(brush, count):
    return [record(0x020C, words(4096, 4096)), brush, record(0x012D, words(0))] + \
        [record(0x061D, struct.pack("<I", 0xF00021) + words(4096, 4096, 0, 0))] * count


pieces = [record(0x020C, words(4096, 4096))] + \
    [record(0x0415, words(k // 16 * 256 + 128, k % 16 * 256 + 128, k // 16 * 256, k % 16 * 256)) for k in range(255)]
zigzag = [record(0x020C, words(4096, 4096)), record(0x02FA, words(2, 1, 0) + color(0, 0, 255)),
          record(0x012D, words(0))] + [record(0x0213, words(i * 41 % 4096, 4095 if i % 2 else 0)) for i in range(700)]

folder = sys.argv[1] if len(sys.argv) > 1 else "wmf-corpus"
os.makedirs(folder, exist_ok=True)
seeds = {
    "shapes-plain.wmf": plain(shapes),
    "shapes-placeable.wmf": placeable(shapes, (0, 0, 200, 100), 96),
    "text.wmf": plain(text),
    "bitmaps.wmf": placeable(bitmaps, (0, 0, 20, 20), 1440),
    "drawn-extent.wmf": plain(shapes[3:]),
    "wide-pen-polyline.wmf": plain(polyline),
    "wide-pen-lines.wmf": plain(lines),
    "font-per-text.wmf": plain(fonts),
    "big-glyphs.wmf": plain(glyphs),
    "crossing-outline.wmf": plain(crossing),
    "stretched-1bit.wmf": plain(stretched(1, 0xCC0020, 80)),
    "stretched-8bit-and.wmf": plain(stretched(8, 0x8800C6, 6)),
    "stretched-24bit-xor.wmf": plain(stretched(24, 0x660046, 80)),
    "pattern-blocks.wmf": plain(blocks(record(0x0142, words(0, 0) + dib(8, 8, 1)), 400)),
    "hatched-blocks.wmf": plain(blocks(record(0x02FC, words(2) + color(0, 255, 0) + words(5)), 400)),
    "dotted-zigzag.wmf": plain(zigzag),
    "clipped-fills.wmf": plain(pieces + [record(0x001E), record(0x041B, words(10, 10, 0, 0)),
                                         record(0x0127, words(0xFFFF))] * 100),
    "clipped-bitmaps.wmf": plain(pieces + stretched(1, 0xCC0020, 40)[1:]),
}
for name, data in seeds.items():
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)
