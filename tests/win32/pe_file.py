"""Reads what the Windows checks need from a PE file without Windows: the
machine it is built for and its version resource (RT_VERSION), walked from
the resource section as the loader's version API walks it. Standard library
only."""

import struct

RT_VERSION = 16
VS_FIXEDFILEINFO_SIGNATURE = 0xFEEF04BD
MACHINES = {0x14C: "x86", 0x8664: "x64"}


class PeError(Exception):
    pass


class PeFile:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise PeError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise PeError("no PE signature")
        machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        self.machine = MACHINES.get(machine, hex(machine))
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        if magic not in (0x10B, 0x20B):
            raise PeError("optional header magic %#x" % magic)
        directories = optional + (96 if magic == 0x10B else 112)
        self.resource_rva, self.resource_size = struct.unpack_from("<II", data, directories + 2 * 8)
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            _, virtual_size, rva, raw_size, raw_offset = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((rva, max(virtual_size, raw_size), raw_offset, raw_size))

    def offset(self, rva, length):
        for start, size, raw_offset, raw_size in self.sections:
            if start <= rva and rva + length <= start + min(size, raw_size):
                return raw_offset + rva - start
        raise PeError("RVA %#x (+%d) lies in no section" % (rva, length))

    def resources(self, kind):
        """(id, language, bytes) of every resource of type KIND (a number)."""
        if not self.resource_rva:
            return []
        base = self.offset(self.resource_rva, 16)

        def entries(at):
            named, numbered = struct.unpack_from("<HH", self.data, base + at + 12)
            for i in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data, base + at + 16 + 8 * i)
                yield name, target

        found = []
        for type_id, type_dir in entries(0):
            if type_id != kind or not type_dir & 0x80000000:
                continue
            for res_id, lang_dir in entries(type_dir & 0x7FFFFFFF):
                if not lang_dir & 0x80000000:
                    raise PeError("resource %d has no language level" % res_id)
                for language, leaf in entries(lang_dir & 0x7FFFFFFF):
                    if leaf & 0x80000000:
                        raise PeError("resource %d: a directory where data was expected" % res_id)
                    rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    found.append((res_id, language, self.data[self.offset(rva, size):][:size]))
        return found


def _aligned(n):
    return (n + 3) & ~3


def _node(block, at):
    """One node of a version resource: (key, value, children, end)."""
    length, value_length, kind = struct.unpack_from("<HHH", block, at)
    if length < 6 or at + length > len(block):
        raise PeError("version node at %d: length %d" % (at, length))
    end = at + length
    key_end = at + 6
    while block[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = block[at + 6:key_end].decode("utf-16-le")
    value_at = _aligned(key_end + 2)
    value_bytes = value_length * 2 if kind == 1 else value_length
    value = block[value_at:value_at + value_bytes]
    if kind == 1:
        value = value.decode("utf-16-le").rstrip("\0")
    children = []
    child = _aligned(value_at + value_bytes)
    while child < end:
        node = _node(block, child)
        children.append(node)
        child = _aligned(node[3])
    return key, value, children, end


def version_info(block):
    """The fixed part of a VS_VERSIONINFO block and its strings:
    {"file_version": (a, b, c, d), "product_version": ..., "file_os", "file_type",
     "tables": {"040904B0": {name: text}}, "translations": [(language, code page)]}"""
    key, fixed, children, _ = _node(block, 0)
    if key != "VS_VERSION_INFO" or len(fixed) != 52:
        raise PeError("not a VS_VERSION_INFO block (key %r, %d bytes of fixed info)" % (key, len(fixed)))
    fields = struct.unpack("<13I", fixed)
    if fields[0] != VS_FIXEDFILEINFO_SIGNATURE:
        raise PeError("fixed file info signature %#x" % fields[0])

    def quad(high, low):
        return (high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF)

    info = {
        "file_version": quad(fields[2], fields[3]),
        "product_version": quad(fields[4], fields[5]),
        "file_os": fields[8],
        "file_type": fields[9],
        "tables": {},
        "translations": [],
    }
    for name, _, grandchildren, _ in children:
        if name == "StringFileInfo":
            for table, _, strings, _ in grandchildren:
                info["tables"][table.upper()] = {s[0]: s[1] for s in strings}
        elif name == "VarFileInfo":
            for var, value, _, _ in grandchildren:
                if var == "Translation":
                    info["translations"] += [struct.unpack_from("<HH", value, i) for i in range(0, len(value), 4)]
    return info
