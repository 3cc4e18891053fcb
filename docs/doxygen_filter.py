#!/usr/bin/env python3
"""Doxygen input filter: lets the API reference read zel's plain // comments.

zel's headers document every declaration with an ordinary // comment block
directly above it (and a file comment at the top). Doxygen only reads ///
comments, so this filter rewrites each header on the fly, line for line (line
numbers in warnings stay right):

  * the first comment block of the file becomes the file's description;
  * a // block directly above a declaration (no blank line between) becomes a
    /// block; a block followed by a blank line stays an ordinary comment;
  * a // comment after code on the same line becomes a ///< member comment;
  * section rulers such as "// ---- cells ----" stay ordinary comments;
  * characters Doxygen would read as commands or HTML (\\ @ < > & % #) are
    escaped, so a comment means exactly what it says.

Usage (Doxygen's INPUT_FILTER): doxygen_filter.py FILE  -> filtered text on stdout.
"""
import re
import sys

RULER = re.compile(r"^\s*//\s*([-=*~#]{2,}|[-=]{2,}.*[-=]{2,})\s*$")
PLAIN = re.compile(r"^(\s*)//(?![/!])(.*)$")
TRAILING = re.compile(r"^(.*?[;{},)])(\s+)//(?![/!<])(.*)$")
DECL_NAME = re.compile(r"(~?\b[A-Za-z_]\w*|operator\s*\S+?)\s*\(")
FIRST_NAME = re.compile(r"^\s*(T?[A-Z]\w*):")
ESCAPE = re.compile(r"([\\@<>&%#$])")


def escape(text):
    # Code spans (`...`) are shown as written; only the prose around them is
    # escaped.
    parts = text.split("`")
    for k in range(0, len(parts), 2):
        parts[k] = ESCAPE.sub(r"\\\1", parts[k])
    return "`".join(parts)


def code_outside_strings(code):
    # A trailing comment counts only when the code before it closes every
    # string and character literal (so "http://" is left alone).
    quotes = 0
    i = 0
    while i < len(code):
        c = code[i]
        if c == "\\":
            i += 2
            continue
        if c == '"':
            quotes += 1
        i += 1
    return quotes % 2 == 0 and code.count("'") % 2 == 0


def filter_lines(lines):
    out = list(lines)
    n = len(lines)
    i = 0
    seen_file_comment = False
    seen_code = False
    while i < n:
        m = PLAIN.match(lines[i])
        if not m:
            stripped = lines[i].strip()
            if stripped and not stripped.startswith("#"):
                seen_code = True
            t = TRAILING.match(lines[i])
            if t and code_outside_strings(t.group(1)) and not stripped.startswith("#"):
                out[i] = "%s%s///< %s" % (t.group(1), t.group(2), escape(t.group(3).strip()))
            i += 1
            continue
        # A block of consecutive // lines.
        start = i
        while i < n and PLAIN.match(lines[i]):
            i += 1
        end = i  # first line after the block
        body = [PLAIN.match(lines[k]) for k in range(start, end)]
        if not seen_file_comment and not seen_code:
            seen_file_comment = True
            # "TName: what it is." on the first line describes the class the
            # file defines; otherwise the comment describes the file.
            target = "@file"
            first = FIRST_NAME.match(body[0].group(2))
            if first and re.search(r"^\s*(class|struct)\s+(ZEL_API\s+)?%s\b[^;]*$" % first.group(1),
                                   "\n".join(lines), re.M):
                target = "@class zel::" + first.group(1)
            for k, mk in zip(range(start, end), body):
                out[k] = mk.group(1) + "///" + escape(mk.group(2))
            out[end - 1] += " " + target
            continue
        nxt = lines[end].lstrip() if end < n else ""
        attached = nxt != "" and (not nxt.startswith("#") or nxt.startswith("#define"))
        if not attached:
            continue
        for k, mk in zip(range(start, end), body):
            if RULER.match(lines[k]):
                continue
            out[k] = mk.group(1) + "///" + escape(mk.group(2))
        share_with_overloads(lines, out, end, [mk.group(2) for mk in body])
    return out


def declared_name(line):
    m = DECL_NAME.search(line.split("//")[0])
    return m.group(1) if m else None


def share_with_overloads(lines, out, first, comment):
    """One comment over a run of overloads documents each of them.

    The headers write a single comment above several declarations of the same
    name (constructors, overloads for other argument types) with no blank line
    between. Each overload after the first gets the comment as a ///< member
    comment on the line where its declaration ends."""
    name = declared_name(lines[first]) if first < len(lines) else None
    if not name:
        return
    text = escape(" ".join(c.strip() for c in comment if c.strip()))
    k = end_of_declaration(lines, first)
    while k is not None and k + 1 < len(lines):
        start = k + 1
        line = lines[start]
        if not line.strip() or PLAIN.match(line) or line.lstrip().startswith(("#", "///")):
            return
        if declared_name(line) != name:
            return
        k = end_of_declaration(lines, start)
        if k is None:
            return
        if "//" not in lines[k]:
            out[k] = out[k] + "  ///< " + text


def end_of_declaration(lines, start):
    # The line on which a declaration that begins at start ends: the first
    # line that ends with ";" or "}" with its braces balanced. None when the
    # declaration opens a body over several lines.
    depth = 0
    for k in range(start, min(start + 12, len(lines))):
        code = lines[k].split("//")[0].rstrip()
        depth += code.count("{") - code.count("}")
        if depth == 0 and (code.endswith(";") or code.endswith("}")):
            return k
        if depth > 0 and k > start:
            return None
    return None


def main():
    with open(sys.argv[1], encoding="utf-8", errors="surrogateescape") as f:
        text = f.read()
    lines = text.split("\n")
    sys.stdout.write("\n".join(filter_lines(lines)))


if __name__ == "__main__":
    main()
