#!/usr/bin/env python3
"""Draws the application icon, a printer with a page, and writes app.ico.

Four images: 32x32 at 24 bits per pixel (transparency from the AND mask),
48x48, 128x128 and 256x256 at 32 bits per pixel with alpha. All are stored as
bitmaps, which every Windows version and Wine read. Standard library only; the
output is the same bytes on every run.

    python3 res/draw_icon.py            # writes res/app.ico
"""
import os
import struct
import sys

SUPERSAMPLE = 4

# Colours, (red, green, blue).
OUTLINE = (38, 46, 58)
BODY_TOP = (104, 120, 140)
BODY_BOTTOM = (62, 76, 94)
PANEL = (150, 164, 182)
SLOT = (22, 26, 32)
PAPER = (255, 255, 255)
PAPER_EDGE = (120, 128, 140)
TEXT_LINE = (172, 180, 192)
BAND = (206, 52, 44)
LIGHT = (64, 200, 96)


def rounded_rect(x0, y0, x1, y1, radius):
    """Membership test of a rectangle with rounded corners (unit coordinates)."""

    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius

    return inside


def rect(x0, y0, x1, y1):
    return rounded_rect(x0, y0, x1, y1, 0.0)


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def vertical_gradient(top, bottom, y0, y1):
    def colour(_x, y):
        t = min(max((y - y0) / (y1 - y0), 0.0), 1.0)
        return tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))

    return colour


def solid(c):
    return lambda _x, _y: c


def with_outline(shape_maker, coords, radius, width, fill):
    """The shape drawn in the outline colour, then again inset in `fill`."""
    x0, y0, x1, y1 = coords
    return [
        (shape_maker(x0, y0, x1, y1, radius), solid(OUTLINE)),
        (shape_maker(x0 + width, y0 + width, x1 - width, y1 - width, max(radius - width, 0)),
         fill),
    ]


def scene(size):
    """Shapes from back to front: (membership test, colour function)."""
    # Thin lines stay at least about one pixel wide on the small images.
    w = max(0.022, 1.0 / size)
    shapes = []
    # The page waiting in the feeder, behind the printer.
    shapes += [(rect(0.24, 0.05, 0.76, 0.44), solid(PAPER_EDGE)),
               (rect(0.24 + w, 0.05 + w, 0.76 - w, 0.44), solid(PAPER))]
    for i in range(3):
        y = 0.13 + i * 0.075
        shapes.append((rect(0.32, y, 0.68 if i < 2 else 0.56, y + max(0.03, 1.2 / size)),
                       solid(TEXT_LINE)))
    # The printer's body with a lighter top panel and a green light.
    shapes += with_outline(rounded_rect, (0.05, 0.36, 0.95, 0.80), 0.09, w,
                           vertical_gradient(BODY_TOP, BODY_BOTTOM, 0.36, 0.80))
    shapes.append((rect(0.05 + w, 0.36 + w + 0.05, 0.95 - w, 0.36 + w + 0.09), solid(PANEL)))
    shapes.append((circle(0.82, 0.57, 0.035), solid(LIGHT)))
    # The output slot and the printed page coming out of it.
    shapes.append((rect(0.17, 0.63, 0.83, 0.68), solid(SLOT)))
    shapes += [(rect(0.22, 0.655, 0.78, 0.96), solid(PAPER_EDGE)),
               (rect(0.22 + w, 0.655, 0.78 - w, 0.96 - w), solid(PAPER))]
    shapes.append((rect(0.22 + w, 0.82, 0.78 - w, 0.90), solid(BAND)))
    shapes.append((rect(0.30, 0.72, 0.70, 0.72 + max(0.03, 1.2 / size)), solid(TEXT_LINE)))
    return shapes


def render(size):
    """Rows of (r, g, b, a), top row first, antialiased by supersampling."""
    shapes = scene(size)
    n = SUPERSAMPLE
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = covered = 0
            for sy in range(n):
                y = (py + (sy + 0.5) / n) / size
                for sx in range(n):
                    x = (px + (sx + 0.5) / n) / size
                    colour = None
                    for inside, paint in reversed(shapes):
                        if inside(x, y):
                            colour = paint(x, y)
                            break
                    if colour is not None:
                        r += colour[0]
                        g += colour[1]
                        b += colour[2]
                        covered += 1
            if covered:
                row.append((round(r / covered), round(g / covered), round(b / covered),
                            round(255 * covered / (n * n))))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def mask_rows(rows, transparent):
    """The AND mask, 1 bit a pixel, rows padded to 32 bits, bottom row first."""
    size = len(rows)
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, pixel in enumerate(row):
            if transparent(pixel):
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bits
    return bytes(out)


def bitmap_image(rows, bits):
    """An icon image: BITMAPINFOHEADER, colour rows bottom-up, AND mask."""
    size = len(rows)
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b, a in row:
            if bits == 32:
                line += bytes((b, g, r, a))
            else:
                # No alpha: half-covered edge pixels become opaque.
                line += bytes((b, g, r)) if a >= 128 else bytes((0, 0, 0))
        line += bytes((-len(line)) % 4)
        pixels += line
    if bits == 32:
        mask = mask_rows(rows, lambda p: p[3] == 0)
    else:
        mask = mask_rows(rows, lambda p: p[3] < 128)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    return header + bytes(pixels) + mask


def icon_file(images):
    """ICONDIR, one ICONDIRENTRY an image, then the images."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    data = b""
    for size, bits, image in images:
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, bits, len(image), offset)
        offset += len(image)
        data += image
    return out + data


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "app.ico")
    images = []
    for size, bits in ((32, 24), (48, 32), (128, 32), (256, 32)):
        images.append((size, bits, bitmap_image(render(size), bits)))
    with open(target, "wb") as f:
        f.write(icon_file(images))


if __name__ == "__main__":
    main()
