#!/usr/bin/env python3
"""Draws the program's icon (a white quill on a teal disc) at 16x16 and
32x32 and writes one single-image 32-bit .ico file per size.

The design is drawn from the same geometry at both sizes with 4x4
supersampling; the output is deterministic, so running the script again
reproduces the committed files byte for byte.

    python3 make_icons.py [output-dir]
"""
import math
import struct
import sys
from pathlib import Path

DISC = (0x1F, 0x7A, 0x8C)   # teal
RIM = (0x14, 0x52, 0x5E)    # darker teal edge
QUILL = (0xFF, 0xFF, 0xFF)  # white
SAMPLES = 4


def _segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def _shade(u, v):
    """Colour and coverage of one point of the unit square (0..1, y down)."""
    r = math.hypot(u - 0.5, v - 0.5)
    if r > 0.48:
        return None
    # The quill: a tapering stroke from the lower left to the upper right,
    # with a short nib line under it.
    shaft = _segment_distance(u, v, 0.28, 0.74, 0.72, 0.26)
    along = max(0.0, min(1.0, (u - 0.28) / 0.44))
    if shaft < 0.04 + 0.08 * along:
        return QUILL
    if _segment_distance(u, v, 0.26, 0.78, 0.46, 0.78) < 0.035:
        return QUILL
    return RIM if r > 0.42 else DISC


def render(size):
    """Rows top to bottom of (b, g, r, a) tuples."""
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = _shade((x + (sx + 0.5) / SAMPLES) / size, (y + (sy + 0.5) / SAMPLES) / size)
                    if c is not None:
                        hits += 1
                        acc = [a + b for a, b in zip(acc, c)]
            if hits == 0:
                row.append((0, 0, 0, 0))
            else:
                r, g, b = (round(a / hits) for a in acc)
                row.append((b, g, r, round(255 * hits / (SAMPLES * SAMPLES))))
        rows.append(row)
    return rows


def icon_image(size):
    """BITMAPINFOHEADER with doubled height, 32-bit pixels bottom-up, AND mask."""
    rows = render(size)
    mask_stride = ((size + 31) // 32) * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         size * size * 4 + mask_stride * size, 0, 0, 0, 0)
    pixels = b"".join(bytes(c for px in row for c in px) for row in reversed(rows))
    mask = b""
    for row in reversed(rows):
        bits = 0
        for x, px in enumerate(row):
            if px[3] == 0:
                bits |= 1 << (mask_stride * 8 - 1 - x)
        mask += bits.to_bytes(mask_stride, "big")
    return header + pixels + mask


def ico_file(size):
    image = icon_image(size)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent
    for name, size, length in (("small.ico", 16, 1128), ("large.ico", 32, 4264)):
        data = ico_file(size)
        assert len(data) - 22 == length, (name, len(data) - 22)
        (out / name).write_bytes(data)


if __name__ == "__main__":
    main()
