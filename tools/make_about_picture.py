#!/usr/bin/env python3
"""Writes the About picture: a 77 x 78 24-bit bottom-up BMP file image, or
the same picture drawn at SCALE times the size (154 x 156 at 2) for scaled
displays.

    make_about_picture.py OUT.bmp [SCALE]

A greyscale head-and-shoulders silhouette in profile against a soft
gradient, drawn here from circles and ellipses so that the artwork is our
own and the file is the same on every run: 54-byte header, rows of 232 bytes
(231 of pixels, 1 of padding), 18,150 bytes in all.
"""
import math
import struct
import sys

WIDTH, HEIGHT = 77, 78


def inside_ellipse(x, y, cx, cy, rx, ry, turn=0.0):
    dx, dy = x - cx, y - cy
    c, s = math.cos(turn), math.sin(turn)
    u, v = dx * c + dy * s, -dx * s + dy * c
    return (u / rx) ** 2 + (v / ry) ** 2 <= 1.0


def grey(x, y):
    """Brightness 0..255 of the pixel whose top-left corner is (x, y) from the top."""
    background = 215 - int(60 * y / HEIGHT) + int(15 * x / WIDTH)
    head = inside_ellipse(x, y, 40, 30, 15, 18, -0.15)
    nose = inside_ellipse(x, y, 55, 31, 4.5, 2.5, 0.5)
    chin = inside_ellipse(x, y, 47, 42, 7, 5)
    neck = 33 <= x <= 47 and 40 <= y <= 60
    shoulders = inside_ellipse(x, y, 38, 80, 34, 20)
    hair = inside_ellipse(x, y, 36, 24, 15, 14, -0.3) and not inside_ellipse(x, y, 47, 33, 11, 13)
    if hair:
        return 45
    if head or nose or chin or neck:
        shade = 120 + int(50 * (x - 25) / 35)
        return max(60, min(190, shade))
    if shoulders:
        return 70 + int(20 * x / WIDTH)
    return max(0, min(255, background))


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit("usage: make_about_picture.py OUT.bmp [SCALE]")
    scale = int(sys.argv[2]) if len(sys.argv) == 3 else 1
    width, height = WIDTH * scale, HEIGHT * scale
    row_bytes = (width * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(height - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(width):
            # Drawn anew from the shapes at each pixel's place, not enlarged.
            g = grey(x / scale, y / scale)
            row += bytes((g, g, g))
        row += bytes(row_bytes - len(row))
        pixels += row
    header = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(sys.argv[1], "wb") as f:
        f.write(header + info + pixels)


if __name__ == "__main__":
    main()
