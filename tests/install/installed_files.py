#!/usr/bin/env python3
"""Checks an installed tonegen under PREFIX (a staged tree's usr/, or /usr):
the program, the desktop entry and the AppStream metadata (each through its
validator, and what they name found in the tree), the setup files' MIME
type that the desktop entry opens, the icons in the hicolor theme at every
size the icon generator draws, the manual page (read by man, without
warnings), the licence and the presets. Prints each check; exits 1 if any
fails.

Usage: installed_files.py PREFIX VERSION DESKTOP_ID SOURCE_DIR [--tree]
(--tree: PREFIX holds nothing else, so appstreamcli validates it as a whole
and the MIME database is built in it)
"""

import configparser
import glob
import gzip
import os
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

LICENCE_ID = "MIT"
MIME_NAMESPACE = "{http://www.freedesktop.org/standards/shared-mime-info}"


def run(*command):
    done = subprocess.run(command, capture_output=True, text=True,
                          env=dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80"))
    return done.returncode, done.stdout, done.stderr


class Checks:
    def __init__(self, prefix):
        self.prefix = prefix
        self.failed = []

    def path(self, *parts):
        return os.path.join(self.prefix, *parts)

    def check(self, what, problem):
        print("%s: %s" % ("FAIL" if problem else "ok", what + (" (%s)" % problem if problem else "")))
        if problem:
            self.failed.append(what)
        return not problem


def png_size(file):
    """(width, height, colour type) of a PNG file, or None."""
    with open(file, "rb") as f:
        head = f.read(26)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    width, height, _, colour_type = struct.unpack(">IIBB", head[16:26])
    return width, height, colour_type


def main():
    args = [a for a in sys.argv[1:] if a != "--tree"]
    if len(args) != 4:
        sys.exit(__doc__)
    prefix, version, desktop_id, source = args
    c = Checks(prefix)

    program = c.path("bin", "tonegen")
    magic = b""
    if os.path.isfile(program):
        with open(program, "rb") as f:
            magic = f.read(4)
    c.check("bin/tonegen is an executable ELF file",
            None if magic == b"\x7fELF" and os.access(program, os.X_OK) else "missing or not a program")

    # The desktop entry.
    entry_file = c.path("share", "applications", desktop_id + ".desktop")
    icon_name = None
    if c.check("desktop entry %s" % os.path.basename(entry_file), None if os.path.isfile(entry_file) else "missing"):
        status, out, err = run("desktop-file-validate", entry_file)
        c.check("desktop-file-validate says nothing", None if status == 0 and not (out + err).strip() else out + err)
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(entry_file, encoding="utf-8")
        fields = entry["Desktop Entry"] if entry.has_section("Desktop Entry") else {}
        command = fields.get("Exec", "").split()
        c.check("Exec names the installed program",
                None if command and os.path.isfile(c.path("bin", command[0])) else "Exec=%s" % fields.get("Exec"))
        c.check("Exec takes the file it is given (%f)", None if command[1:] == ["%f"] else command)
        entry_types = [t for t in fields.get("MimeType", "").split(";") if t]
        categories = fields.get("Categories", "").split(";")
        c.check("categories of an audio tool", None if {"AudioVideo", "Audio"} <= set(categories) else categories)
        icon_name = fields.get("Icon")
    else:
        entry_types = []

    # The setup files' type: *.tonegen, named in the desktop entry, with an
    # icon of its own name.
    mime_file = c.path("share", "mime", "packages", desktop_id + ".xml")
    mime_type = None
    if c.check("MIME package %s" % os.path.basename(mime_file), None if os.path.isfile(mime_file) else "missing"):
        types = ElementTree.parse(mime_file).getroot().findall(MIME_NAMESPACE + "mime-type")
        globs = [(t.get("type"), g.get("pattern")) for t in types for g in t.findall(MIME_NAMESPACE + "glob")]
        if c.check("one type, for *.tonegen", None if len(types) == 1 and [g for _, g in globs] == ["*.tonegen"] else globs):
            mime_type = types[0].get("type")
        c.check("the desktop entry opens %s" % mime_type, None if entry_types == [mime_type] else entry_types)
        if "--tree" in sys.argv:
            status, out, err = run("update-mime-database", "-V", c.path("share", "mime"))
            built = c.path("share", "mime", "globs2")
            globs2 = open(built).read().splitlines() if os.path.isfile(built) else []
            c.check("update-mime-database maps *.tonegen to it",
                    None if status == 0 and any(l.endswith(":%s:*.tonegen" % mime_type) for l in globs2)
                    else (out + err).strip() or globs2)

    # The icon: every size the generator draws, each a PNG of that size.
    sys.path.insert(0, os.path.join(source, "tools"))
    import make_icon
    c.check("the desktop entry's icon is tonegen", None if icon_name == "tonegen" else "Icon=%s" % icon_name)
    for size in make_icon.SIZES:
        file = c.path("share", "icons", "hicolor", "%dx%d" % (size, size), "apps", "tonegen.png")
        found = png_size(file) if os.path.isfile(file) else "missing"
        c.check("hicolor icon %dx%d" % (size, size), None if found == (size, size, 6) else "found %s" % (found,))
        if mime_type:
            file = c.path("share", "icons", "hicolor", "%dx%d" % (size, size), "mimetypes",
                          mime_type.replace("/", "-") + ".png")
            found = png_size(file) if os.path.isfile(file) else "missing"
            c.check("its setup files' icon %dx%d" % (size, size), None if found == (size, size, 6) else "found %s" % (found,))

    # The AppStream metadata.
    metainfo = c.path("share", "metainfo", desktop_id + ".metainfo.xml")
    if c.check("AppStream metadata %s" % os.path.basename(metainfo), None if os.path.isfile(metainfo) else "missing"):
        status, out, err = run("appstreamcli", "validate", "--no-net", metainfo)
        c.check("appstreamcli validate --no-net", None if status == 0 else (out + err).strip())
        if "--tree" in sys.argv:
            status, out, err = run("appstreamcli", "validate-tree", "--no-net", prefix)
            c.check("appstreamcli validate-tree --no-net", None if status == 0 else (out + err).strip())
        root = ElementTree.parse(metainfo).getroot()
        c.check("component id %s" % desktop_id, None if root.findtext("id") == desktop_id else root.findtext("id"))
        licence = root.findtext("project_license")
        c.check("project licence %s" % LICENCE_ID, None if licence == LICENCE_ID else licence)
        launchable = root.findtext("launchable")
        c.check("launches the desktop entry",
                None if launchable and os.path.isfile(c.path("share", "applications", launchable)) else launchable)
        releases = [r.get("version") for r in root.iter("release")]
        c.check("newest release %s" % version, None if releases[:1] == [version] else releases)
        shots = [i.text for i in root.iter("image")]
        c.check("a screenshot address", None if shots and all(s.startswith("https://") for s in shots) else shots)

    # The manual page.
    page = c.path("share", "man", "man1", "tonegen.1.gz")
    if c.check("manual page man1/tonegen.1.gz", None if os.path.isfile(page) else "missing"):
        try:
            gzip.open(page).read()
            broken = None
        except OSError as e:
            broken = str(e)
        c.check("the page is gzip-compressed", broken)
        status, out, err = run("man", "--warnings", "-E", "UTF-8", "-l", page)
        c.check("man reads it without warnings", None if status == 0 and not err.strip() else err.strip())
        c.check("it names tonegen %s" % version, None if "tonegen %s" % version in out else out[-300:])
        for section in ("NAME", "SYNOPSIS", "DESCRIPTION", "THE WINDOW", "TEST SIGNALS", "ABOUT BOX"):
            c.check("section %s" % section, None if "\n%s\n" % section in out else "missing")

    # The licence.
    copyright_file = c.path("share", "doc", "tonegen", "copyright")
    with open(os.path.join(source, "LICENSE"), "rb") as f:
        licence_text = f.read()
    same = os.path.isfile(copyright_file) and open(copyright_file, "rb").read() == licence_text
    c.check("doc/tonegen/copyright is the licence", None if same else "missing or different")

    # The presets, as they are in the source tree.
    shipped = sorted(glob.glob(os.path.join(source, "dist", "presets", "*.tonegen")))
    installed = sorted(glob.glob(c.path("share", "tonegen", "presets", "*")))
    c.check("%d presets in share/tonegen/presets" % len(shipped),
            None if len(shipped) >= 6 and [os.path.basename(f) for f in installed] == [os.path.basename(f) for f in shipped]
            and all(open(a, "rb").read() == open(b, "rb").read() for a, b in zip(installed, shipped))
            else [os.path.basename(f) for f in installed])

    if c.failed:
        print("%d check(s) failed" % len(c.failed))
    sys.exit(1 if c.failed else 0)


if __name__ == "__main__":
    main()
