#!/usr/bin/env python3
"""Builds tests/stringl/data/realstr_vectors.txt from Free Pascal's Str().

Compiles scripts/gen_realstr_vectors.pas with fpc (3.2.x), runs it, and keeps
the cases on which Free Pascal and zel follow the same rules:

  * Free Pascal writes up to 21 significant digits of an Extended value, zel
    writes 18 and pads with zeros. Plain cases are kept only when the last
    written digit is at most the 18th significant one (decimal exponent +
    decimals <= 17); exponent cases only for widths up to 26 (at most 17
    digits after the point).
  * Free Pascal switches to the exponent form for very large values in the
    plain form; such texts (holding "E") are dropped.
  * Non-finite values and negative zero are dropped (their texts differ by
    design).
  * Values within a thousandth of a unit of an exact half-way point at the
    rounding position are dropped: exact ties are left to the implementation,
    and Free Pascal rounds its 21-digit result a second time, which can differ
    from one correct rounding only that close to a tie.

Every kept case is also checked against an exact rational computation here;
a disagreement is reported and the case dropped.

Usage: scripts/gen_realstr_vectors.py [output]   (default: the data file)
"""
import os
import subprocess
import sys
import tempfile

sys.set_int_max_str_digits(0)
from fractions import Fraction

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "tests", "stringl", "data", "realstr_vectors.txt")


def exact_value(se, mant):
    exp = se & 0x7FFF
    e = (1 if exp == 0 else exp) - 16383 - 63
    return Fraction(mant) * (Fraction(2) ** e)


def floor_log10(v):  # v > 0
    b = v.numerator.bit_length() - v.denominator.bit_length()
    k = int(b * 0.30102999566398120) - 2
    while v >= Fraction(10) ** (k + 1):
        k += 1
    return k


def round_half_away(t):
    n = int(t)  # t >= 0
    return n + 1 if t - n >= Fraction(1, 2) else n


def near_tie(t):
    f = t - int(t)
    return abs(f - Fraction(1, 2)) < Fraction(1, 1000)


def expected(neg, v, w, d):
    """zel's rules, exact arithmetic (only for the kept, non-tie cases)."""
    if d >= 0:
        r = round_half_away(v * Fraction(10) ** d)
        s = str(r).rjust(d + 1, "0")
        txt = s[: len(s) - d] + ("." + s[len(s) - d:] if d > 0 else "")
        if neg:
            txt = "-" + txt
        return txt.rjust(w)
    frac = max(w - 9, 1)
    if v == 0:
        return (" 0." + "0" * frac + "E+0000").rjust(w)
    k = floor_log10(v)
    r = round_half_away(v * Fraction(10) ** (frac - k))
    if r == 10 ** (frac + 1):
        r //= 10
        k += 1
    s = str(r)
    txt = ("-" if neg else " ") + s[0] + "." + s[1:] + "E" + ("-" if k < 0 else "+")
    return (txt + "%04d" % abs(k)).rjust(w)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else OUT
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(ROOT, "scripts", "gen_realstr_vectors.pas")
        exe = os.path.join(tmp, "gen")
        subprocess.run(["fpc", "-O2", "-FE" + tmp, "-o" + exe, src], check=True,
                       stdout=subprocess.DEVNULL)
        lines = subprocess.run([exe], check=True, capture_output=True, text=True).stdout
    kept, dropped, disagree = [], {}, 0
    for line in lines.splitlines():
        head, text = line.split(" |", 1)
        text = text[:-1]
        se_hex, mant_hex, w, d = head.split()
        se, mant, w, d = int(se_hex, 16), int(mant_hex, 16), int(w), int(d)
        neg = (se & 0x8000) != 0

        def drop(why):
            dropped[why] = dropped.get(why, 0) + 1

        if (se & 0x7FFF) == 0x7FFF:
            drop("non-finite")
            continue
        v = exact_value(se, mant)
        if v == 0 and neg:
            drop("negative zero")
            continue
        if d >= 0:
            if "E" in text:
                drop("plain form written as exponent by fpc")
                continue
            if v != 0 and floor_log10(v) + d > 17:
                drop("more than 18 significant digits")
                continue
            if near_tie(v * Fraction(10) ** d):
                drop("near a half-way tie")
                continue
        else:
            if w > 26:
                drop("more than 18 significant digits")
                continue
            frac = max(w - 9, 1)
            if v != 0 and near_tie(v * Fraction(10) ** (frac - floor_log10(v))):
                drop("near a half-way tie")
                continue
        if expected(neg, v, w, d) != text:
            disagree += 1
            print("fpc and exact arithmetic disagree:", line, "expected",
                  repr(expected(neg, v, w, d)), file=sys.stderr)
            continue
        kept.append("%s %s %d %d |%s|" % (se_hex, mant_hex, w, d, text))
    os.makedirs(os.path.dirname(out), exist_ok=True)
    with open(out, "w") as f:
        f.write("# Free Pascal 3.2 Str(x:W:D) on Extended, filtered by "
                "scripts/gen_realstr_vectors.py\n")
        f.write("# sign/exponent word, mantissa, W, D (-2 = exponent form), |text|\n")
        f.write("\n".join(kept) + "\n")
    print("kept %d, disagreements %d, dropped %s" % (len(kept), disagree, dropped),
          file=sys.stderr)


if __name__ == "__main__":
    main()
