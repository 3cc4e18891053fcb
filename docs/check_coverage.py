#!/usr/bin/env python3
"""Reports what Doxygen's own warnings miss: unexplained parameters and aliases.

Usage: check_coverage.py XML_DIR WARNINGS_LOG

zel's header comments are prose contracts ("Copies Source to Dest; returns
false when ...") rather than @param lists, so Doxygen's own parameter check
cannot see them. This check reads Doxygen's XML output and requires every
named parameter of a documented public function to be mentioned by name in
its description (any case, as a word or in a code span). Each omission is
appended to WARNINGS_LOG in Doxygen's warning format, so check_warnings.py
treats it like any other warning.

Exempt, because the name adds nothing a reader needs:
  * a single parameter of a setter (SetX(Value)): the new value of X;
  * the other object of a copy or move constructor or an operator.
Undocumented functions are skipped: Doxygen reports them already.

Doxygen also stays silent on some undocumented declarations: type aliases
(using X = ...;), constants and enumerations that follow a documented one
without a comment of their own, and functions a class also declares as
friends. Each is reported here, unless Doxygen's log names it already;
destructors, deleted or defaulted functions and default constructors need no
comment.
"""
import os
import re
import sys
import xml.etree.ElementTree as ET

WORD = re.compile(r"[A-Za-z_]\w*")
DECLARATION_KINDS = {"typedef": "type alias", "variable": "variable", "enum": "enumeration"}


def text_of(el):
    return "".join(el.itertext()) if el is not None else ""


def exempt(member, params):
    name = member.findtext("name") or ""
    if name.startswith("operator") or self_evident(member):
        return True
    if len(params) == 1 and re.match(r"Set[A-Z_]", name):
        return True
    if len(params) == 1:
        # A copy or move constructor: Name(const Name&) or Name(Name&&).
        ptype = text_of(params[0].find("type"))
        if re.search(r"\b%s\s*&" % re.escape(name), ptype):
            return True
    return False


def self_evident(member):
    name = member.findtext("name") or ""
    args = (member.findtext("argsstring") or "").replace(" ", "")
    constructor = member.find("type") is None or not text_of(member.find("type")).strip()
    return (name.startswith("~") or "=delete" in args or "=default" in args
            or (constructor and not member.findall("param")))


def location(member):
    loc = member.find("location")
    return "%s:%s" % (loc.get("file"), loc.get("line")) if loc is not None else "?:0"


def description(member):
    return " ".join(text_of(member.find(tag)) for tag in
                    ("briefdescription", "detaileddescription", "inbodydescription"))


def omissions(xml_dir, logged):
    found = set()
    for fn in sorted(os.listdir(xml_dir)):
        if not fn.endswith(".xml") or fn == "index.xml":
            continue
        root = ET.parse(os.path.join(xml_dir, fn)).getroot()
        for member in root.iter("memberdef"):
            if member.get("prot") == "private":
                continue
            desc = description(member)
            kind = member.get("kind")
            if kind in DECLARATION_KINDS and not desc.strip():
                name = member.findtext("name")
                if "Member %s (%s)" % (name, kind) not in logged:
                    found.add("%s: warning: %s %s is not documented"
                              % (location(member), DECLARATION_KINDS[kind],
                                 member.findtext("qualifiedname") or name))
                continue
            if kind == "function" and not desc.strip() and not self_evident(member):
                name = member.findtext("name") + (member.findtext("argsstring") or "")
                if "Member %s (function)" % name.split("=")[0].strip() not in logged:
                    found.add("%s: warning: function %s%s is not documented"
                              % (location(member), member.findtext("qualifiedname"),
                                 member.findtext("argsstring") or ""))
                continue
            if kind != "function":
                continue
            params = member.findall("param")
            if exempt(member, params):
                continue
            words = {w.lower() for w in WORD.findall(desc)}
            where = location(member)
            signature = (member.findtext("qualifiedname") or member.findtext("name") or "") + \
                (member.findtext("argsstring") or "")
            for p in params:
                name = p.findtext("declname")
                if name and name.lower() not in words:
                    found.add("%s: warning: parameter %s of %s is not mentioned in its description"
                              % (where, name, signature))
    return sorted(found)


def main():
    xml_dir, log = sys.argv[1:3]
    with open(log, encoding="utf-8", errors="replace") as f:
        logged = f.read()
    lines = omissions(xml_dir, logged)
    with open(log, "a", encoding="utf-8") as f:
        f.writelines(l + "\n" for l in lines)
    return 0


if __name__ == "__main__":
    sys.exit(main())
