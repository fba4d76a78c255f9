#!/usr/bin/env python3
"""Checks the generated icon file: every size and depth the program ships,
each image well formed, and (where ImageMagick is installed) every image
readable by an independent decoder.

Usage: icon_test.py ICON.ico
"""

import shutil
import struct
import subprocess
import sys

REQUIRED = {(16, 4), (32, 4), (16, 8), (32, 8), (48, 8), (256, 32)} | {
    (s, 32) for s in (16, 20, 24, 32, 40, 48, 64)}  # the small and large icons at 100 to 200 %


def row_bytes(bits):
    return (bits + 31) // 32 * 4


def check_bitmap(size, bpp, colours, image):
    header = struct.unpack_from("<IiiHHIIiiII", image)
    if header[0] != 40 or header[1] != size or header[2] != 2 * size or header[4] != bpp:
        return "bitmap header %r does not match %dx%d at %d bpp" % (header, size, size, bpp)
    if bpp == 4 and colours != 16:
        return "a 4-bpp image must say 16 colours, says %d" % colours
    palette = 4 * (header[9] or (1 << bpp)) if bpp <= 8 else 0
    expected = 40 + palette + size * (row_bytes(size * bpp) + row_bytes(size))
    if len(image) != expected:
        return "%d bytes, %d expected" % (len(image), expected)
    return None


def check_png(size, image):
    if image[:8] != b"\x89PNG\r\n\x1a\n" or image[12:16] != b"IHDR":
        return "not a PNG"
    width, height, depth, kind = struct.unpack_from(">IIBB", image, 16)
    if (width, height, depth, kind) != (size, size, 8, 6):
        return "PNG is %dx%d, depth %d, colour type %d; want %dx%d RGBA" % (width, height, depth, kind, size, size)
    return None


def main():
    data = open(sys.argv[1], "rb").read()
    reserved, kind, count = struct.unpack_from("<HHH", data)
    problems = []
    if reserved != 0 or kind != 1:
        problems.append("not an icon file")
    found = set()
    for i in range(count):
        w, h, colours, _, planes, bpp, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        size = w or 256
        image = data[offset:offset + length]
        if len(image) != length or w != h or planes != 1:
            problems.append("entry %d: bad directory entry" % i)
            continue
        problem = check_png(size, image) if size == 256 else check_bitmap(size, bpp, colours, image)
        if size == 256 and bpp != 32:
            problem = "the 256-px image must be 32 bpp"
        if problem:
            problems.append("entry %d (%d px, %d bpp): %s" % (i, size, bpp, problem))
        found.add((size, bpp))
        print("entry %d: %d px, %d bpp, %s" % (i, size, bpp, "PNG" if image[:4] == b"\x89PNG" else "bitmap"))
    for size, bpp in sorted(REQUIRED - found):
        problems.append("missing: %d px at %d bpp" % (size, bpp))
    for size, bpp in sorted(found - REQUIRED):
        problems.append("unexpected: %d px at %d bpp" % (size, bpp))

    identify = shutil.which("identify")
    if identify:
        listed = subprocess.run([identify, "-format", "%wx%h\n", sys.argv[1]], capture_output=True, text=True)
        sizes = sorted(listed.stdout.split())
        want = sorted("%dx%d" % (s, s) for s, _ in REQUIRED)
        if listed.returncode != 0 or sizes != want:
            problems.append("identify read %s (status %d)" % (sizes, listed.returncode))

    for p in problems:
        print("FAIL:", p)
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
