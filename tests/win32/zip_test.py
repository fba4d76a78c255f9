#!/usr/bin/env python3
"""The Windows zip as CPack makes it from the build: named for the version
and the architecture, one folder holding exactly the program, the render
tool, README.txt, LICENSE.txt and the presets folder; the program built for
that architecture and carrying its version; the texts with Windows line
ends, the README naming the version and the licence, LICENSE.txt the
licence itself, each preset the source tree's; the checksum file right.

Usage: zip_test.py CPACK CPACK_CONFIG MACHINE VERSION LICENSE PRESETS
(MACHINE x64 or x86; LICENSE the source tree's licence file, PRESETS its
folder of presets.)
"""

import glob
import hashlib
import os
import subprocess
import sys
import tempfile
import zipfile

import pe_file


def check_text(name, text):
    if b"\n" in text.replace(b"\r\n", b""):
        yield "%s has line ends without CR" % name


def problems(cpack, config, machine, version, licence, presets, folder):
    made = subprocess.run([cpack, "-G", "ZIP", "--config", config, "-B", folder], capture_output=True, text=True)
    if made.returncode != 0:
        yield "cpack failed (%d): %s%s" % (made.returncode, made.stdout, made.stderr)
        return
    stem = "tonegen-%s-windows-%s" % (version, machine)
    archive = os.path.join(folder, stem + ".zip")
    if not os.path.isfile(archive):
        yield "no %s among %s" % (os.path.basename(archive), sorted(os.listdir(folder)))
        return
    data = open(archive, "rb").read()
    print("%s: %d bytes" % (os.path.basename(archive), len(data)))

    checksum = open(archive + ".sha256").read().split()
    if checksum[:1] != [hashlib.sha256(data).hexdigest()]:
        yield "the .sha256 file says %s" % checksum[:1]

    with zipfile.ZipFile(archive) as z:
        files = {i.filename: z.read(i) for i in z.infolist() if not i.is_dir()}
    presets = {"presets/" + os.path.basename(p): p for p in glob.glob(os.path.join(presets, "*.tonegen"))}
    wanted = {stem + "/" + n for n in ["tonegen.exe", "tonegen-render.exe", "tonegen-measure.exe", "README.txt", "LICENSE.txt"] + list(presets)}
    for name in sorted(files):
        print("  %s (%d bytes)" % (name, len(files[name])))
    if set(files) != wanted:
        yield "holds %s, expected %s" % (sorted(files), sorted(wanted))
        return

    try:
        program = pe_file.PeFile(files[stem + "/tonegen.exe"])
        versions = program.resources(pe_file.RT_VERSION)
        if program.machine != machine:
            yield "tonegen.exe is built for %s" % program.machine
        if len(versions) != 1:
            yield "tonegen.exe has %d version resources" % len(versions)
        else:
            found = pe_file.version_info(versions[0][2])["file_version"]
            if found != tuple(int(n) for n in version.split(".")) + (0,):
                yield "tonegen.exe has version %s" % (found,)
    except pe_file.PeError as e:
        yield "tonegen.exe: %s" % e

    readme = files[stem + "/README.txt"]
    yield from check_text("README.txt", readme)
    for needed in ("tonegen %s" % version, machine, "MIT", "LICENSE.txt"):
        if needed.encode() not in readme:
            yield "README.txt does not mention %r" % needed

    shipped = files[stem + "/LICENSE.txt"]
    yield from check_text("LICENSE.txt", shipped)
    if shipped.replace(b"\r\n", b"\n") != open(licence, "rb").read():
        yield "LICENSE.txt is not the licence"

    for name, source in sorted(presets.items()):
        shipped = files[stem + "/" + name]
        yield from check_text(name, shipped)
        if shipped.replace(b"\r\n", b"\n") != open(source, "rb").read():
            yield "%s is not the source tree's" % name


def main():
    if len(sys.argv) != 7:
        sys.exit(__doc__)
    with tempfile.TemporaryDirectory(prefix="tonegen-zip.") as folder:
        found = list(problems(*sys.argv[1:], folder))
    for p in found:
        print("FAIL:", p)
    sys.exit(1 if found else 0)


if __name__ == "__main__":
    main()
