#!/usr/bin/env python3
"""Draws the program's icon (the shapes of packaging/quilve.svg: the dark
field, the three call sweeps and the bat) into a Windows .ico file with
16, 24, 32, 48, 64 and 128 pixel images (32-bit, with alpha).
    make-icon.py OUT.ico
"""
import struct
import sys

FIELD_TOP, FIELD_BOTTOM = (0x0B, 0x17, 0x40), (0x1D, 0x3C, 0x9C)
SWEEPS = [((10, 36), (12, 46), (14, 52), (19, 55), (0x35, 0xE0, 0x6A)),
          ((24, 36), (26, 46), (28, 52), (33, 55), (0xF2, 0xD4, 0x3A)),
          ((38, 36), (40, 46), (42, 52), (47, 55), (0xFF, 0x5A, 0x36))]
BAT = [(29, 9), (31, 13), (33, 13), (35, 9), (36, 15), (44, 14), (58, 11), (54, 22), (50, 19),
       (46, 24), (42, 20), (36, 26), (32, 30), (28, 26), (22, 20), (18, 24), (14, 19), (10, 22),
       (6, 11), (20, 14), (28, 15)]
BAT_COLOUR = (0xF4, 0xF4, 0xF4)


def bezier(p0, p1, p2, p3, steps=24):
    pts = []
    for i in range(steps + 1):
        t = i / steps
        a, b, c, d = (1 - t) ** 3, 3 * (1 - t) ** 2 * t, 3 * (1 - t) * t * t, t ** 3
        pts.append((a * p0[0] + b * p1[0] + c * p2[0] + d * p3[0],
                    a * p0[1] + b * p1[1] + c * p2[1] + d * p3[1]))
    return pts


def segment_distance(p, a, b):
    ax, ay = b[0] - a[0], b[1] - a[1]
    px, py = p[0] - a[0], p[1] - a[1]
    length = ax * ax + ay * ay
    t = 0.0 if length == 0 else max(0.0, min(1.0, (px * ax + py * ay) / length))
    dx, dy = px - t * ax, py - t * ay
    return (dx * dx + dy * dy) ** 0.5


def near_polyline(p, pts, half_width, closed=False):
    edges = list(zip(pts, pts[1:])) + ([(pts[-1], pts[0])] if closed else [])
    return any(segment_distance(p, a, b) <= half_width for a, b in edges)


def inside_polygon(p, pts):
    x, y = p
    inside = False
    for (x1, y1), (x2, y2) in zip(pts, pts[1:] + pts[:1]):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            inside = not inside
    return inside


def inside_field(p):
    x, y = p
    if not (2 <= x <= 62 and 2 <= y <= 62):
        return False
    cx = min(max(x, 12), 52)
    cy = min(max(y, 12), 52)
    return (x - cx) ** 2 + (y - cy) ** 2 <= 100


SWEEP_LINES = [(bezier(*s[:4]), s[4]) for s in SWEEPS]


def colour_at(p):
    """The colour and opacity of one point in the 64-unit drawing."""
    colour, alpha = (0, 0, 0), 0.0
    if inside_field(p):
        t = (p[1] - 2) / 60
        colour = tuple(round(a + (b - a) * t) for a, b in zip(FIELD_TOP, FIELD_BOTTOM))
        alpha = 1.0
    for line, c in SWEEP_LINES:
        if near_polyline(p, line, 1.5):
            colour, alpha = c, 1.0
    if inside_polygon(p, BAT) or near_polyline(p, BAT, 0.5, closed=True):
        colour, alpha = BAT_COLOUR, 1.0
    return colour, alpha


def image(size, samples=4):
    """The icon as bottom-up BGRA rows, each pixel averaged over samples²."""
    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            r = g = b = a = 0.0
            for sy in range(samples):
                for sx in range(samples):
                    p = ((x + (sx + 0.5) / samples) * 64 / size, (y + (sy + 0.5) / samples) * 64 / size)
                    c, alpha = colour_at(p)
                    r += c[0] * alpha
                    g += c[1] * alpha
                    b += c[2] * alpha
                    a += alpha
            n = samples * samples
            if a > 0:
                row += bytes((round(b / a), round(g / a), round(r / a), round(255 * a / n)))
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return b"".join(reversed(rows))


def icon_entry(size):
    pixels = image(size)
    mask_row = ((size + 31) // 32) * 4
    mask = bytes(mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + mask


def main():
    sizes = [16, 24, 32, 48, 64, 128]
    entries = [icon_entry(s) for s in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(sizes)))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, entries):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in entries:
        out += data
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
