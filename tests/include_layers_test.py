#!/usr/bin/env python3
"""The folders of src/ form layers: a file may include headers of its own
folder and of folders in lower layers, never of its own layer or above.

    python3 include_layers_test.py SRC_DIR

Prints every include that breaks the order and exits 1; exits 0 when there
is none. The layers, lowest first:
"""
import pathlib
import re
import sys

LAYERS = [
    ["platform"],                      # the ports: what the core drives, in its own words
    ["model", "formats"],              # the Settings record and control numbers; file images
    ["synth", "signals", "analysis"],  # the tone mix; the test-signal player; a recording measured
    ["audio", "ui"],                   # the output stream; windows, controls, the About box
    ["app"],                           # start-up, event loop, message routing, shutdown
    ["platform/qt", "platform/win32", "platform/sim"],  # the platforms, above the program they run
]
__doc__ += "\n".join("    " + ", ".join(names) for names in LAYERS)

LEVEL = {name: level for level, names in enumerate(LAYERS) for name in names}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def folder_of(relative: pathlib.PurePosixPath) -> str:
    """The layer folder a path under src/ belongs to ("platform/qt/x.h" -> "platform/qt")."""
    parts = relative.parts
    if parts[0] == "platform" and len(parts) > 2:
        return "platform/" + parts[1]
    return parts[0]


def violations(src: pathlib.Path):
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp", ".in") or not path.is_file():
            continue
        relative = pathlib.PurePosixPath(path.relative_to(src).as_posix())
        if len(relative.parts) < 2:
            continue  # files at the top of src/ belong to no layer
        here = folder_of(relative)
        if here not in LEVEL:
            yield f"{relative}: folder {here} is in no layer"
            continue
        for name in INCLUDE.findall(path.read_text(encoding="utf-8")):
            target = pathlib.PurePosixPath(name)
            if len(target.parts) < 2:
                continue  # a header beside the file or from the build tree's same folder
            there = folder_of(target)
            if there == here or there not in LEVEL:
                continue
            if LEVEL[there] >= LEVEL[here]:
                yield f"{relative}: includes {name}, but {there} is not below {here}"


def main() -> int:
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    found = list(violations(pathlib.Path(sys.argv[1])))
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} include(s) against the order of the layers", file=sys.stderr)
        return 1
    print("every include goes down the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main())
