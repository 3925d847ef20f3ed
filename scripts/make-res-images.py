#!/usr/bin/env python3
"""Draws the program's images into res/: the three 16x16 check-box state images and the icon,
the icon also in the sizes of the hicolor theme and as a scalable drawing.

Run once after changing a drawing; the PNG files are committed. Standard library only.
"""
import math
import os
import struct
import zlib

RES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")


def write_png(path, pixels):
    """pixels: rows of (r, g, b, a) tuples."""
    height, width = len(pixels), len(pixels[0])
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as out:
        out.write(png)


# The tick, 7x7, drawn at (5, 5) inside the box: three pixels thick, so it reads at 16x16.
TICK = [
    "......#",
    ".....##",
    "#...###",
    "##.###.",
    "#####..",
    ".###...",
    "..#....",
]


def check_box(border, fill, tick):
    clear = (0, 0, 0, 0)
    pixels = [[clear] * 16 for _ in range(16)]
    for y in range(1, 15):  # a 14x14 box with a one-pixel margin
        for x in range(1, 15):
            edge = x in (1, 14) or y in (1, 14)
            pixels[y][x] = border if edge else fill
    if tick:
        for dy, row in enumerate(TICK):
            for dx, c in enumerate(row):
                if c == "#":
                    pixels[4 + dy][4 + dx] = tick
    return pixels


def inside_star(px, py, cx, cy, outer, inner):
    points = []
    for i in range(10):
        r = outer if i % 2 == 0 else inner
        a = -math.pi / 2 + i * math.pi / 5
        points.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    inside = False
    j = len(points) - 1
    for i in range(len(points)):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > py) != (yj > py) and px < (xj - xi) * (py - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def icon(size):
    """A gold favorites star on a blue rounded square with a darker rim."""
    samples = 4
    pixels = []
    radius = size * 0.18
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(samples):
                for sx in range(samples):
                    px = x + (sx + 0.5) / samples
                    py = y + (sy + 0.5) / samples
                    # rounded square
                    qx = min(max(px, radius), size - radius)
                    qy = min(max(py, radius), size - radius)
                    if (px - qx) ** 2 + (py - qy) ** 2 > radius ** 2:
                        continue
                    rim = min(px, py, size - px, size - py) < size * 0.06
                    colour = (24, 78, 160) if rim else (40, 112, 208)
                    if inside_star(px, py, size / 2, size * 0.53, size * 0.40, size * 0.17):
                        colour = (255, 214, 64)
                    acc[0] += colour[0]
                    acc[1] += colour[1]
                    acc[2] += colour[2]
                    acc[3] += 255
            n = samples * samples
            alpha = acc[3] / n
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                covered = acc[3] / 255
                row.append(tuple(int(round(c / covered)) for c in acc[:3]) + (int(round(alpha)),))
        pixels.append(row)
    return pixels


ICON_NAME = "net.orlesk.Quillmere"
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def star_points(cx, cy, outer, inner):
    points = []
    for i in range(10):
        r = outer if i % 2 == 0 else inner
        a = -math.pi / 2 + i * math.pi / 5
        points.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return points


def icon_svg(size=256):
    """The icon as a drawing: the same rounded square, rim and star as icon()."""
    rim = size * 0.06
    radius = size * 0.18
    star = " ".join("%.2f,%.2f" % p for p in star_points(size / 2, size * 0.53, size * 0.40, size * 0.17))
    return f"""<svg xmlns="http://www.w3.org/2000/svg" width="{size}" height="{size}" viewBox="0 0 {size} {size}">
  <rect width="{size}" height="{size}" rx="{radius:.2f}" fill="#184ea0"/>
  <rect x="{rim:.2f}" y="{rim:.2f}" width="{size - 2 * rim:.2f}" height="{size - 2 * rim:.2f}" rx="{radius - rim:.2f}" fill="#2870d0"/>
  <polygon points="{star}" fill="#ffd640"/>
</svg>
"""


def main():
    dark = (51, 51, 51, 255)
    white = (255, 255, 255, 255)
    grey_border = (128, 128, 128, 255)
    grey_fill = (212, 212, 212, 255)
    grey_tick = (110, 110, 110, 255)
    write_png(os.path.join(RES, "checkbox-empty.png"), check_box(dark, white, None))
    write_png(os.path.join(RES, "checkbox-checked.png"), check_box(dark, white, (0, 0, 0, 255)))
    write_png(os.path.join(RES, "checkbox-partial.png"), check_box(grey_border, grey_fill, grey_tick))
    write_png(os.path.join(RES, "Quillmere.png"), icon(64))
    themed = os.path.join(RES, "icons", "hicolor")
    for size in ICON_SIZES:
        folder = os.path.join(themed, f"{size}x{size}", "apps")
        os.makedirs(folder, exist_ok=True)
        write_png(os.path.join(folder, ICON_NAME + ".png"), icon(size))
    folder = os.path.join(themed, "scalable", "apps")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, ICON_NAME + ".svg"), "w") as out:
        out.write(icon_svg())


if __name__ == "__main__":
    main()
