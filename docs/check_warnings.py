#!/usr/bin/env python3
"""Fails the docs build on any Doxygen warning.

Usage: check_warnings.py SOURCE_DIR WARNINGS_LOG

Doxygen (and check_coverage.py after it) write their warnings to
WARNINGS_LOG: undocumented public classes, functions, aliases and constants,
parameters a comment does not mention, broken references. Each warning is
printed as "file:line: text" relative to SOURCE_DIR; any warning at all is an
error, so the reference stays complete as the library grows.
"""
import re
import sys


def normalise(line, source_dir):
    line = line.rstrip("\n")
    if not line.strip():
        return None
    line = line.replace(source_dir.rstrip("/") + "/", "")
    # Headers generated into a build folder (zel/version.h) by their installed name.
    line = re.sub(r"^/\S*?/include/(zel/)", r"\1", line)
    line = re.sub(r"^([^:]+:\d+): warning: ", r"\1: ", line)
    return re.sub(r"^warning: ", "", line)


def main():
    source_dir, log = sys.argv[1:3]
    with open(log, encoding="utf-8", errors="replace") as f:
        found = sorted({n for n in (normalise(l, source_dir) for l in f) if n})
    if found:
        print("docs: %d warnings (document these declarations):" % len(found), file=sys.stderr)
        for w in found:
            print("  " + w, file=sys.stderr)
        return 1
    print("docs: reference complete")
    return 0


if __name__ == "__main__":
    sys.exit(main())
