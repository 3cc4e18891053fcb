#!/usr/bin/env python3
"""Fails the docs build on any Doxygen warning not listed in the known-gaps list.

Usage: check_warnings.py SOURCE_DIR WARNINGS_LOG KNOWN_GAPS [--update]

Doxygen writes its warnings (undocumented public classes and functions,
incomplete parameter lists, broken references) to WARNINGS_LOG. Each warning
is reduced to "file: text" (no absolute path, no line number) so the list does
not change when lines move. A warning that is not in KNOWN_GAPS is an error.
KNOWN_GAPS (docs/undocumented.txt) records the declarations that were
undocumented when the reference was introduced; it only ever shrinks: entries
that no longer occur are reported so they can be removed. --update rewrites
KNOWN_GAPS from the current warnings.
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
    line = re.sub(r"^([^:]+):\d+: warning: ", r"\1: ", line)
    line = re.sub(r"^warning: ", "", line)
    return line


def main():
    source_dir, log, gaps = sys.argv[1:4]
    update = "--update" in sys.argv[4:]
    with open(log, encoding="utf-8", errors="replace") as f:
        found = {n for n in (normalise(l, source_dir) for l in f) if n and ": " in n}
    if update:
        try:
            with open(gaps, encoding="utf-8") as f:
                header = [l for l in f if l.startswith("#")]
        except FileNotFoundError:
            header = []
        with open(gaps, "w", encoding="utf-8") as f:
            f.write("".join(header) + "".join(sorted(w + "\n" for w in found)))
        print("docs: %d known gaps written to %s" % (len(found), gaps))
        return 0
    try:
        with open(gaps, encoding="utf-8") as f:
            known = {l.rstrip("\n") for l in f if l.strip() and not l.startswith("#")}
    except FileNotFoundError:
        known = set()
    new = sorted(found - known)
    gone = sorted(known - found)
    if gone:
        print("docs: %d entries of %s are documented now; remove them:" % (len(gone), gaps))
        for w in gone[:20]:
            print("  documented: " + w)
    if new:
        print("docs: %d Doxygen warnings (document these declarations):" % len(new), file=sys.stderr)
        for w in new:
            print("  " + w, file=sys.stderr)
        return 1
    print("docs: reference complete (%d known gaps listed in %s)" % (len(found), gaps))
    return 0


if __name__ == "__main__":
    sys.exit(main())
