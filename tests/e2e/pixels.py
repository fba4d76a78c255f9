#!/usr/bin/python3
"""Reads what a screenshot of the Linux program shows, for the end-to-end tests.

  pixels.py outlines SHOT.png < CONTROLS    each "KIND X Y W H" line drawn where it should be
  pixels.py thumb SHOT.png X Y W H [--position P --of MAX]
                                            where a horizontal scroll bar's thumb is:
                                            "THUMB_START GROOVE_LENGTH THUMB_LENGTH" (groove pixels);
                                            with --position, fails unless the thumb stands P / MAX
                                            of the way along (within a pixel; at either end exactly)
  pixels.py buttons SHOT.png                the buttons in one row: "X Y WIDTH" of each top outline
  pixels.py text SHOT.png X Y W H [--learn-from OTHER.png] --learn "X Y W H TEXT" ...
                                            the text in a rectangle, read against the glyphs of
                                            rectangles whose text is known ("?" for any other),
                                            of this shot or of the one named before them
  pixels.py button SHOT.png X Y W H [--caption-like OTHER.png]
                                            whether a push button is drawn "pressed" or "released",
                                            and whether its caption is drawn as in the other shot
                                            ("same-caption", "other-caption")

Coordinates are pixels of the screenshot (client coordinates for a shot of
one window). The program draws with Qt's Fusion style, which places each
kind of control's outline at a fixed offset from its rectangle:

  button  a dark outline on all four edges of the rectangle
  field   dark left and right edges on the rectangle, top and bottom one pixel inside
  frame   left edge one pixel inside, right and bottom edges on the rectangle
  bar     the whole rectangle drawn (no pixel of the window colour on its border),
          the window colour all round it

Exit status 0 when everything is where it should be, 1 when not, 2 on errors.
"""

import subprocess
import sys

DARK = 225  # outlines are drawn darker than this, the faces lighter
CORNER = 3  # rounded corners left out of the edge checks


class Image:
    def __init__(self, path):
        data = subprocess.run(["convert", path, "-depth", "8", "gray:-"], check=True,
                              stdout=subprocess.PIPE).stdout
        size = subprocess.run(["identify", "-format", "%w %h", path], check=True,
                              stdout=subprocess.PIPE).stdout.split()
        self.width, self.height = int(size[0]), int(size[1])
        if len(data) != self.width * self.height:
            raise ValueError(f"{path}: {len(data)} bytes for {self.width} x {self.height}")
        self.data = data

    def at(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError(f"({x}, {y}) lies outside the {self.width} x {self.height} shot")
        return self.data[y * self.width + x]


def dark_run(img, points):
    """True when every point of a line is drawn darker than a face."""
    return all(img.at(x, y) < DARK for x, y in points)


def column(x, y0, y1):
    return [(x, y) for y in range(y0, y1 + 1)]


def row(y, x0, x1):
    return [(x, y) for x in range(x0, x1 + 1)]


def edges(kind, x, y, w, h):
    """The lines (name, points) that a control of this kind draws dark."""
    right, bottom = x + w - 1, y + h - 1
    if kind == "button":
        return [("left", column(x, y + CORNER, bottom - CORNER)),
                ("right", column(right, y + CORNER, bottom - CORNER)),
                ("top", row(y, x + CORNER, right - CORNER)),
                ("bottom", row(bottom, x + CORNER, right - CORNER))]
    if kind == "field":
        return [("left", column(x, y + 1 + CORNER, bottom - 1 - CORNER)),
                ("right", column(right, y + 1 + CORNER, bottom - 1 - CORNER)),
                ("top", row(y + 1, x + CORNER, right - CORNER)),
                ("bottom", row(bottom - 1, x + CORNER, right - CORNER))]
    if kind == "frame":
        return [("left", column(x + 1, bottom - 8, bottom - CORNER)),
                ("right", column(right, bottom - 8, bottom - CORNER)),
                ("bottom", row(bottom, x + 1 + CORNER, right - CORNER))]
    raise ValueError(f"no outline known for {kind}")


def check_outline(img, kind, x, y, w, h):
    """Problems with one control, as text; empty when it is drawn where it should be."""
    problems = []
    if kind == "bar":
        window = img.at(x - 1, y - 1)
        border = row(y, x, x + w - 1) + row(y + h - 1, x, x + w - 1) + column(x, y, y + h - 1) + \
            column(x + w - 1, y, y + h - 1)
        ring = row(y - 1, x - 1, x + w) + row(y + h, x - 1, x + w) + column(x - 1, y, y + h - 1) + \
            column(x + w, y, y + h - 1)
        if any(img.at(px, py) == window for px, py in border):
            problems.append("part of its border is not drawn")
        if any(img.at(px, py) != window for px, py in ring):
            problems.append("something is drawn just outside it")
        return problems
    for name, points in edges(kind, x, y, w, h):
        if not dark_run(img, points):
            light = [p for p in points if img.at(*p) >= DARK]
            problems.append(f"{name} edge not drawn at {light[0]} ({len(light)} of {len(points)} pixels)")
    # Each outline is one line: the face just inside it is lighter, so a
    # neighbour's outline next to it is not taken for its own.
    mid = y + h // 2 + (h // 4 if kind == "frame" else 0)
    insides = {"button": [(x, x + 1), (x + w - 1, x + w - 2)],
               "field": [(x, x + 1), (x + w - 1, x + w - 2)],
               "frame": [(x + 1, x + 2), (x + w - 1, x + w - 2)]}[kind]
    for edge, inside in insides:
        if img.at(inside, mid) < img.at(edge, mid) + 15:
            problems.append(f"no face inside its edge at x {edge}")
    return problems


def cmd_outlines(args):
    img = Image(args[0])
    failures = 0
    count = 0
    for line in sys.stdin:
        fields = line.split()
        if not fields:
            continue
        kind, x, y, w, h = fields[0], *map(int, fields[1:5])
        count += 1
        for problem in check_outline(img, kind, x, y, w, h):
            print(f"{kind} at ({x}, {y}) {w} x {h}: {problem}")
            failures += 1
    print(f"{count} controls, {failures} problems")
    return 0 if failures == 0 and count > 0 else 1


def cmd_thumb(args):
    img = Image(args[0])
    x, y, w, h = map(int, args[1:5])
    want = None
    if len(args) > 5:
        if len(args) != 9 or args[5] != "--position" or args[7] != "--of":
            print("thumb wants X Y W H [--position P --of MAX]", file=sys.stderr)
            return 2
        want = (int(args[6]), int(args[8]))
    # The groove lies between the two arrow buttons, each closed by a
    # separator line; along the bar's middle row the thumb is the face
    # colour of the arrows, the groove a darker grey.
    mid = y + h // 2
    line = [img.at(px, mid) for px in range(x, x + w)]
    face = line[1]
    separators = [i for i in range(1, w - 1) if line[i] < face - 30 and line[i] < line[i - 1] and
                  line[i] < line[i + 1]]
    inner = [i for i in separators if 5 < i < w - 6]
    if len(inner) < 2:
        print(f"cannot find the arrows' separators along row {mid}: {line}", file=sys.stderr)
        return 2
    first, last = inner[0] + 1, inner[-1] - 1
    groove = line[first:last + 1]
    thumb = [i for i, v in enumerate(groove) if v >= face - 2]
    if not thumb:
        print(f"no thumb in the groove {first}..{last}: {groove}", file=sys.stderr)
        return 1
    # The thumb's own outline is part of it.
    start, end = max(thumb[0] - 1, 0), min(thumb[-1] + 1, len(groove) - 1)
    print(start, len(groove), end - start + 1)
    if want is None:
        return 0
    position, top = want
    travel = len(groove) - (end - start + 1)
    expected = travel * position // top
    slack = 0 if position in (0, top) else 1
    if abs(start - expected) > slack:
        print(f"thumb at {start} of {travel} pixels, expected {expected} ({position} of {top})", file=sys.stderr)
        return 1
    return 0


# Text is drawn black over a face of any grey: a pixel is ink when it keeps
# less than this share of the face's brightness (the brightest pixel of the
# rectangle), which puts the same pixels of a glyph in its ink whatever the
# face.
INK_SHARE = 0.35
BUTTON_RUN = 20  # a button's top outline is an unbroken dark line at least this long


def cmd_buttons(args):
    """Buttons side by side share the row of their top outlines, and no
    other row of the shot holds as many long dark lines."""
    img = Image(args[0])
    best = []
    for y in range(img.height):
        runs, start = [], None
        for x in range(img.width + 1):
            dark = x < img.width and img.at(x, y) < DARK
            if dark and start is None:
                start = x
            elif not dark and start is not None:
                if x - start >= BUTTON_RUN:
                    runs.append((start, y, x - start))
                start = None
        if len(runs) > len(best):
            best = runs
    for x, y, w in best:
        print(x, y, w)
    return 0


def glyphs(img, x, y, w, h):
    """The ink of a rectangle cut into glyphs at blank columns, each as a
    tuple of row strings over the rectangle's ink rows."""
    face = max(img.at(px, py) for px in range(x, x + w) for py in range(y, y + h))
    ink = [[img.at(px, py) < INK_SHARE * face for px in range(x, x + w)] for py in range(y, y + h)]
    rows = [r for r in range(h) if any(ink[r])]
    if not rows:
        return []
    top, bottom = rows[0], rows[-1]
    out, current = [], []
    for c in range(w):
        col = tuple(ink[r][c] for r in range(top, bottom + 1))
        if any(col):
            current.append(col)
        elif current:
            out.append(current)
            current = []
    if current:
        out.append(current)
    # Rows as strings, so a glyph compares as a whole; its height counts.
    return [tuple("".join("#" if c[r] else "." for c in g) for r in range(bottom - top + 1)) for g in out]


def learn_templates(img, rest):
    """Glyph templates from "--learn X Y W H TEXT" arguments (rectangles of
    IMG, or of the shot named by a "--learn-from SHOT" before them)."""
    templates = {}
    source = img
    while rest:
        if rest[0] == "--learn-from" and len(rest) >= 2:
            source = Image(rest[1])
            rest = rest[2:]
            continue
        if rest[0] != "--learn" or len(rest) < 2:
            raise ValueError('wants --learn "X Y W H TEXT" ... (each after an optional --learn-from SHOT)')
        lx, ly, lw, lh, text = rest[1].split(maxsplit=4)
        found = glyphs(source, int(lx), int(ly), int(lw), int(lh))
        chars = text.replace(" ", "")
        if not found or len(found) > len(chars):
            raise ValueError(f"{len(found)} glyphs where '{text}' should be")
        # Neighbours may touch ("00"): then only the glyphs before the first
        # such pair are known for sure.
        known = len(found) if len(found) == len(chars) else len(found) - 1
        for glyph, char in zip(found[:known], chars):
            templates.setdefault(glyph, char)
        rest = rest[2:]
    return templates


def read_text(img, x, y, w, h, templates):
    read = ""
    for glyph in glyphs(img, x, y, w, h):
        read += templates.get(glyph, "?")
        if glyph not in templates:
            print("unknown glyph:\n  " + "\n  ".join(glyph), file=sys.stderr)
    return read


def cmd_text(args):
    img = Image(args[0])
    x, y, w, h = map(int, args[1:5])
    print(read_text(img, x, y, w, h, learn_templates(img, args[5:])))
    return 0


# A pressed button's face is flat and darker than the window around it; a
# released one's rises to white at its top. Measured along the row just
# inside its top edge, clear of the caption.
PRESSED_BELOW = 8


# The same text over a face of another shade (a hovered or pressed button)
# may put a pixel or two of a glyph's edge on the other side of the ink line.
GLYPH_SLACK = 2


def same_glyphs(a, b):
    """Whether two readings are the same glyphs, each in the same box."""
    if len(a) != len(b):
        return False
    for ga, gb in zip(a, b):
        if len(ga) != len(gb) or len(ga[0]) != len(gb[0]):
            return False
        if sum(ca != cb for ra, rb in zip(ga, gb) for ca, cb in zip(ra, rb)) > GLYPH_SLACK:
            return False
    return True


def cmd_button(args):
    """A push button's state, and whether its caption is drawn as in another
    shot (the same glyphs in the same places, whatever the face)."""
    img = Image(args[0])
    x, y, w, h = map(int, args[1:5])
    window = img.at(x + w // 2, y - 3)
    face = sorted(img.at(px, y + 4) for px in range(x + 4, x + w - 4))[(w - 8) // 2]
    if face < window - PRESSED_BELOW:
        state = "pressed"
    elif face > window:
        state = "released"
    else:
        state = "unclear"
    if len(args) == 7 and args[5] == "--caption-like":
        inside = (x + 3, y + 3, w - 6, h - 6)
        same = same_glyphs(glyphs(img, *inside), glyphs(Image(args[6]), *inside))
        print(state, "same-caption" if same else "other-caption")
    elif len(args) == 5:
        print(state)
    else:
        print("button wants X Y W H [--caption-like OTHER.png]", file=sys.stderr)
        return 2
    return 0


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    commands = {"outlines": cmd_outlines, "thumb": cmd_thumb, "text": cmd_text, "buttons": cmd_buttons,
                "button": cmd_button}
    if sys.argv[1] not in commands:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        return commands[sys.argv[1]](sys.argv[2:])
    except (ValueError, IndexError, subprocess.CalledProcessError) as e:
        print(f"pixels: {e}", file=sys.stderr)
        return 2


if __name__ == "__main__":
    sys.exit(main())
