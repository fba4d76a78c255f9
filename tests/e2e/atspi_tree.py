#!/usr/bin/python3
"""Prints what screen readers read of a program through the accessibility bus (AT-SPI).

  atspi_tree.py NAME [--timeout S]

Waits for an application called NAME on the bus and prints every object of
it, one a line, tab-separated: depth, role, name, description, and the
numeric value of objects that have one (empty otherwise). Exit status 0 on
success, 1 when no such application shows up in time.
"""

import argparse
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def flat(text):
    return (text or "").replace("\t", " ").replace("\n", " ")


def walk(node, depth, out):
    number = "%g" % Atspi.Value.get_current_value(node) if "Value" in node.get_interfaces() else ""
    out.append("\t".join([str(depth), node.get_role_name(), flat(node.get_name()),
                          flat(node.get_description()), number]))
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            walk(child, depth + 1, out)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("name")
    parser.add_argument("--timeout", type=float, default=10.0)
    args = parser.parse_args()
    deadline = time.monotonic() + args.timeout
    desktop = Atspi.get_desktop(0)
    while True:
        apps = [desktop.get_child_at_index(i) for i in range(desktop.get_child_count())]
        apps = [a for a in apps if a is not None and a.get_name() == args.name]
        if apps:
            break
        if time.monotonic() >= deadline:
            print(f"atspi_tree: no application {args.name!r} on the accessibility bus", file=sys.stderr)
            return 1
        time.sleep(0.1)
    out = []
    walk(apps[0], 0, out)
    print("\n".join(out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
