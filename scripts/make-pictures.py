#!/usr/bin/env python3
"""Draws the program's four pictures (logo, icon, connected / not connected)
with nothing but the standard library, so they can be made again anywhere."""
import math
import struct
import sys
import zlib
from pathlib import Path


def png(width, height, pixels):
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(tag, data):
        return (struct.pack(">I", len(data)) + tag + data
                + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def render(width, height, shade, samples=3):
    """shade(x, y) -> (r, g, b, a) for a point in [0,1]^2; supersampled."""
    rows = []
    for j in range(height):
        row = []
        for i in range(width):
            acc = [0, 0, 0, 0]
            for sj in range(samples):
                for si in range(samples):
                    x = (i + (si + 0.5) / samples) / width
                    y = (j + (sj + 0.5) / samples) / height
                    r, g, b, a = shade(x, y)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = samples * samples
            a = acc[3] / n
            if a > 0:
                px = (round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]),
                      round(a))
            else:
                px = (0, 0, 0, 0)
            row.append(px)
        rows.append(row)
    return rows


def seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def logo(x, y):
    # A blue shield with a white "K" and a yellow road stripe.
    cx = x - 0.5
    top, bottom = 0.08, 0.94
    if y < top or y > bottom:
        return (0, 0, 0, 0)
    half = 0.40 if y < 0.55 else 0.40 * math.sqrt(max(0.0, 1 - ((y - 0.55) / (bottom - 0.55)) ** 2))
    if abs(cx) > half:
        return (0, 0, 0, 0)
    if abs(cx) > half - 0.035 or y < top + 0.035:
        return (255, 204, 0, 255)
    stroke = 0.055
    if (seg_dist(x, y, 0.36, 0.22, 0.36, 0.78) < stroke
            or seg_dist(x, y, 0.38, 0.52, 0.66, 0.22) < stroke
            or seg_dist(x, y, 0.45, 0.45, 0.68, 0.78) < stroke):
        return (255, 255, 255, 255)
    return (20, 60, 150, 255)


def badge(colour, mark):
    def shade(x, y):
        d = math.hypot(x - 0.5, y - 0.5)
        if d > 0.46:
            return (0, 0, 0, 0)
        if d > 0.42:
            return (40, 40, 40, 255)
        if mark(x, y):
            return (255, 255, 255, 255)
        return colour
    return shade


def tick(x, y):
    return seg_dist(x, y, 0.28, 0.52, 0.44, 0.68) < 0.06 or seg_dist(x, y, 0.44, 0.68, 0.73, 0.33) < 0.06


def cross(x, y):
    return seg_dist(x, y, 0.32, 0.32, 0.68, 0.68) < 0.06 or seg_dist(x, y, 0.68, 0.32, 0.32, 0.68) < 0.06


def ico(png_bytes, size):
    # An icon file may hold a PNG image directly.
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(png_bytes), 22)
    return header + entry + png_bytes


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else "koravel3/log")
    out.mkdir(parents=True, exist_ok=True)
    (out / "krlogos.png").write_bytes(png(200, 150, render(200, 150, lambda x, y: logo(0.5 + (x - 0.5) * 4 / 3, y))))
    icon = png(64, 64, render(64, 64, logo))
    (out / "krlogos.ico").write_bytes(ico(icon, 64))
    (out / "QUIRO.png").write_bytes(png(64, 64, render(64, 64, badge((30, 160, 60, 255), tick))))
    (out / "popo.png").write_bytes(png(64, 64, render(64, 64, badge((200, 30, 30, 255), cross))))
    # The desktop menu wants a square icon.
    packaging = out.parent.parent / "packaging"
    if packaging.is_dir():
        (packaging / "koravel3.png").write_bytes(png(128, 128, render(128, 128, logo)))


if __name__ == "__main__":
    main()
