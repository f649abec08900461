#!/usr/bin/env python3
"""Fails when a source of the engine includes a header of a part above its own.

The engine's parts are stacked (engine/README.md draws them); a part may include the
headers of its own folder and of the parts below it, never of one above. Tests, fuzz
targets, benchmarks and the tests' shared machines (engine/testing/) run the whole
engine and may include any part.
"""
import os
import re
import sys

# Bottom first: each part may use the parts before it.
PARTS = [
    "engine/core",
    "gui",
    "engine/variables",
    "engine/forms",
    "engine/browser",
    "engine/textui",
    "engine/boot",
    "engine/post",
    "frontend",
    "engine/startup",
]
FREE_FOLDERS = ("tests", "fuzz", "benchmarks")
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]')


def part_of(path):
    for rank, part in enumerate(PARTS):
        if path == part or path.startswith(part + "/"):
            return rank
    return None


def main():
    root = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    faults = []
    for top in ("engine", "gui", "frontend"):
        for folder, dirs, files in os.walk(os.path.join(root, top)):
            rel_folder = os.path.relpath(folder, root)
            if any(step in FREE_FOLDERS for step in rel_folder.split(os.sep)) or rel_folder.startswith("engine/testing"):
                dirs[:] = []
                continue
            for name in files:
                if not name.endswith((".h", ".cpp")):
                    continue
                rel = os.path.join(rel_folder, name)
                own = part_of(rel)
                if own is None:
                    faults.append("%s: not in any part of the engine's drawing" % rel)
                    continue
                with open(os.path.join(root, rel), encoding="utf-8", errors="replace") as source:
                    for number, line in enumerate(source, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        used = part_of(match.group(1))
                        if used is not None and used > own:
                            faults.append("%s:%d: %s includes %s, a part above %s" %
                                          (rel, number, PARTS[own], match.group(1), PARTS[own]))
    for fault in faults:
        print(fault, file=sys.stderr)
    if faults:
        print("%d include(s) against the engine's drawing (engine/README.md)" % len(faults), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
