#!/usr/bin/env python3
"""Draws the program's icon: a Windows .ico file, or PNG files for the
freedesktop icon theme.

The drawing: one period of a white sine wave on a blue rounded square. Each
size is drawn anew from the shapes (not scaled from a larger picture), with
edges smoothed by the covered share of each pixel. The file holds

    16, 32 px      4 bpp  (the 16 standard colours, 1-bit transparency mask)
    16, 32, 48 px  8 bpp  (a 256-colour ramp from the blue to white, mask)
    16, 20, 24, 32, 40, 48, 64 px
                   32 bpp (blue, green, red, alpha, mask)
    256 px         32 bpp, as PNG

The 32-bpp sizes are the small (16) and large (32) icons at 100, 125, 150
and 200 % display scale, so that a scaled desktop finds its size drawn
rather than stretched.

With --hicolor, the theme's sizes (16, 24, 32, 48, 64 and 256 px) are written as
an RGBA PNG at DIR/<size>x<size>/apps/tonegen.png, the layout of the
hicolor theme under share/icons/hicolor; with a MIME_ICON as well, the
same picture is the icon of the setup files' type, at
DIR/<size>x<size>/mimetypes/MIME_ICON.png.

Only the Python standard library is used and nothing depends on the time or
the machine, so the same bytes come out everywhere.

Usage: make_icon.py OUTPUT.ico [PREVIEW.png]
       make_icon.py --hicolor DIR [MIME_ICON]
"""

import math
import os
import struct
import sys
import zlib

BLUE = (24, 92, 168)
WHITE = (255, 255, 255)

# The 16 standard colours of a 4-bpp image, in their usual order.
STANDARD_16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
NAVY_4BPP = 4
WHITE_4BPP = 15


def coverage(distance):
    """Share of a pixel covered by a shape whose signed distance (in pixels)
    from the pixel's centre is given: negative inside."""
    return min(1.0, max(0.0, 0.5 - distance))


def rounded_square_distance(x, y, size):
    margin = size / 32.0
    half = size / 2.0 - margin
    radius = size * 0.2
    qx = abs(x - size / 2.0) - (half - radius)
    qy = abs(y - size / 2.0) - (half - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def wave_distance(x, y, size):
    """Distance from the stroke of the sine wave (negative inside the stroke),
    whose ends are rounded."""
    left, right = size * 0.2, size * 0.8
    amplitude = size * 0.2
    k = 2.0 * math.pi / (right - left)
    width = max(1.5, size * 0.09)

    def curve(u):
        return size / 2.0 - amplitude * math.sin(k * (u - left))

    def slope(u):
        return -amplitude * k * math.cos(k * (u - left))

    def bend(u):
        return amplitude * k * k * math.sin(k * (u - left))

    def squared(u):
        return (u - x) ** 2 + (curve(u) - y) ** 2

    # The nearest point of the curve lies within reach of the pixel: search a
    # few candidates there, then refine by Newton steps on the derivative of
    # the squared distance.
    reach = width + 2.0
    candidates = [min(right, max(left, x + reach * (i / 4.0 - 1.0))) for i in range(9)]
    u = min(candidates, key=squared)
    for _ in range(4):
        g = (u - x) + (curve(u) - y) * slope(u)
        dg = 1.0 + slope(u) ** 2 + (curve(u) - y) * bend(u)
        if dg <= 0.0:
            break
        u = min(right, max(left, u - g / dg))
    return math.sqrt(squared(u)) - width / 2.0


def draw(size):
    """Rows of (wave share, opacity) pairs, top row first; 2x2 samples a pixel."""
    offsets = (0.25, 0.75)
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            wave = 0.0
            shape = 0.0
            for oy in offsets:
                for ox in offsets:
                    x, y = px + ox, py + oy
                    # Each sample stands for a quarter pixel: distances in
                    # sample units are twice the pixel ones.
                    shape += coverage(2.0 * rounded_square_distance(x, y, size)) / 4.0
                    wave += coverage(2.0 * wave_distance(x, y, size)) / 4.0
            row.append((wave, shape))
        rows.append(row)
    return rows


def mix(wave):
    return tuple(round(b + (w - b) * wave) for b, w in zip(BLUE, WHITE))


def rgba(rows):
    return [[mix(wave) + (round(255 * shape),) for wave, shape in row] for row in rows]


def stride(bits):
    return (bits + 31) // 32 * 4


def mask_rows(rows):
    """The 1-bit transparency mask, bottom row first: 1 where transparent."""
    size = len(rows)
    out = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride(size))
        for x, (_, shape) in enumerate(row):
            if shape < 0.5:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bits
    return bytes(out)


def bitmap_header(size, bpp, image_bytes):
    return struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bpp, 0, image_bytes, 0, 0, 0, 0)


def palette_bytes(colours, count):
    padded = list(colours) + [(0, 0, 0)] * (count - len(colours))
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in padded)


def indexed_image(rows, bpp, palette, index_of):
    size = len(rows)
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray(stride(size * bpp))
        for x, cell in enumerate(row):
            index = index_of(cell)
            if bpp == 8:
                line[x] = index
            else:
                line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        pixels += line
    mask = mask_rows(rows)
    return bitmap_header(size, bpp, len(pixels) + len(mask)) + palette_bytes(palette, 1 << bpp) + pixels + mask


def image_4bpp(rows):
    def index_of(cell):
        wave, shape = cell
        if shape < 0.5:
            return 0
        return WHITE_4BPP if wave >= 0.5 else NAVY_4BPP

    return indexed_image(rows, 4, STANDARD_16, index_of)


def image_8bpp(rows):
    ramp = [(0, 0, 0)] + [mix(i / 254.0) for i in range(255)]

    def index_of(cell):
        wave, shape = cell
        return 0 if shape < 0.5 else 1 + round(wave * 254)

    return indexed_image(rows, 8, ramp, index_of)


def image_32bpp(rows):
    size = len(rows)
    pixels = bytearray()
    for row in reversed(rgba(rows)):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask = mask_rows(rows)
    return bitmap_header(size, 32, len(pixels) + len(mask)) + bytes(pixels) + mask


def png(rows):
    size = len(rows)
    raw = bytearray()
    for row in rgba(rows):
        raw.append(0)  # no filter
        for pixel in row:
            raw += bytes(pixel)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
            chunk(b"IEND", b""))


def icon_file(entries):
    """entries: (size, bpp, colour count, image bytes)."""
    directory = struct.pack("<HHH", 0, 1, len(entries))
    offset = len(directory) + 16 * len(entries)
    table = b""
    images = b""
    for size, bpp, colours, image in entries:
        side = 0 if size >= 256 else size
        table += struct.pack("<BBBBHHII", side, side, colours, 0, 1, bpp, len(image), offset + len(images))
        images += image
    return directory + table + images


SIZES = (16, 24, 32, 48, 64, 256)  # the hicolor theme's
TRUE_COLOUR_SIZES = (16, 20, 24, 32, 40, 48, 64)  # the .ico file's 32-bpp images


def write_hicolor(folder, mime_icon=None):
    for size in SIZES:
        image = png(draw(size))
        places = [("apps", "tonegen")] + ([("mimetypes", mime_icon)] if mime_icon else [])
        for context, name in places:
            where = os.path.join(folder, "%dx%d" % (size, size), context)
            os.makedirs(where, exist_ok=True)
            with open(os.path.join(where, name + ".png"), "wb") as f:
                f.write(image)


def main():
    if len(sys.argv) in (3, 4) and sys.argv[1] == "--hicolor":
        write_hicolor(*sys.argv[2:])
        return
    if len(sys.argv) not in (2, 3) or sys.argv[1].startswith("-"):
        sys.exit(__doc__)
    drawings = {size: draw(size) for size in set(SIZES + TRUE_COLOUR_SIZES)}
    entries = [(s, 4, 16, image_4bpp(drawings[s])) for s in (16, 32)]
    entries += [(s, 8, 0, image_8bpp(drawings[s])) for s in (16, 32, 48)]
    entries += [(s, 32, 0, image_32bpp(drawings[s])) for s in TRUE_COLOUR_SIZES]
    big = png(drawings[256])
    entries.append((256, 32, 0, big))
    with open(sys.argv[1], "wb") as f:
        f.write(icon_file(entries))
    if len(sys.argv) == 3:
        with open(sys.argv[2], "wb") as f:
            f.write(big)


if __name__ == "__main__":
    main()
