#!/usr/bin/env python3
"""The version resource read back from a built program: the version in the
fixed part, the strings the file's properties show, a translation entry
that names the strings' table; the same version in the manifest's identity
of the program; and the machine the file is built for.

Usage: version_resource_test.py PROGRAM.exe MACHINE VERSION NAME=TEXT...
(MACHINE x64 or x86; VERSION as 1.3.3; each NAME=TEXT a string the
resource must hold with exactly that text.)
"""

import sys
import xml.etree.ElementTree as ElementTree

import pe_file

RT_MANIFEST = 24
ASSEMBLY = "{urn:schemas-microsoft-com:asm.v1}"

VOS_NT_WINDOWS32 = 0x40004
VFT_APP = 1


def problems(data, machine, version, strings):
    try:
        pe = pe_file.PeFile(data)
        if pe.machine != machine:
            yield "built for %s, not %s" % (pe.machine, machine)
        found = pe.resources(pe_file.RT_VERSION)
        if len(found) != 1:
            yield "%d version resources, expected one" % len(found)
            return
        res_id, language, block = found[0]
        print("version resource %d, language %#x, %d bytes" % (res_id, language, len(block)))
        info = pe_file.version_info(block)
    except pe_file.PeError as e:
        yield str(e)
        return
    wanted = tuple(int(n) for n in version.split(".")) + (0,)
    manifests = pe.resources(RT_MANIFEST)
    if len(manifests) != 1:
        yield "%d manifests, expected one" % len(manifests)
    else:
        identity = ElementTree.fromstring(manifests[0][2]).find(ASSEMBLY + "assemblyIdentity")
        named = None if identity is None else (identity.get("name"), identity.get("version"))
        print("manifest identity: %s" % (named,))
        if named != ("tonegen", ".".join(map(str, wanted))):
            yield "the manifest names %s, not tonegen %s" % (named, ".".join(map(str, wanted)))
    for field in ("file_version", "product_version"):
        print("%s: %s" % (field, ".".join(map(str, info[field]))))
        if info[field] != wanted:
            yield "%s is %s, not %s" % (field, info[field], wanted)
    if (info["file_os"], info["file_type"]) != (VOS_NT_WINDOWS32, VFT_APP):
        yield "file OS %#x, type %d: not a Windows application" % (info["file_os"], info["file_type"])
    # Explorer shows the table the translation entry names, and no other.
    tables = ["%04X%04X" % t for t in info["translations"]]
    if not tables or tables[0] not in info["tables"]:
        yield "translations %s name none of the tables %s" % (tables, sorted(info["tables"]))
        return
    table = info["tables"][tables[0]]
    for name, text in sorted(table.items()):
        print("%s: %s" % (name, text))
    for name, text in strings.items():
        if table.get(name) != text:
            yield "%s is %r, not %r" % (name, table.get(name), text)


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    strings = dict(arg.split("=", 1) for arg in sys.argv[4:])
    with open(sys.argv[1], "rb") as f:
        found = list(problems(f.read(), sys.argv[2], sys.argv[3], strings))
    for p in found:
        print("FAIL:", p)
    sys.exit(1 if found else 0)


if __name__ == "__main__":
    main()
