#!/usr/bin/env python3
"""Writes tests/colors/data/colorsys_vectors.txt: colour model reference values
made by Python's colorsys module, an implementation independent of zel.

Each line is a kind and six numbers:
  hsv R G B H S V        colorsys.rgb_to_hsv of R/255, G/255, B/255; H in degrees
  hsl R G B H S L        colorsys.rgb_to_hls of the same (reordered to H S L)
  hsv2rgb H S V r g b    colorsys.hsv_to_rgb of H/360, S, V; r g b scaled to 0..255
  hsl2rgb H S L r g b    colorsys.hls_to_rgb of H/360, L, S; r g b scaled to 0..255
Reals are written with 17 significant digits. The channel triples are the
corners of the RGB cube, every gray step of 17, and pseudo-random triples; the
hue triples a grid over the hue circle plus pseudo-random ones.
Run from the repository root: python3 scripts/gen_colorsys_vectors.py
"""
import colorsys
import pathlib


def lcg(seed):
    """x = x * 1103515245 + 12345 (mod 2^32); yields the top 16 bits."""
    x = seed & 0xFFFFFFFF
    while True:
        x = (x * 1103515245 + 12345) & 0xFFFFFFFF
        yield x >> 16


def fmt(v):
    return "%.17g" % v


def main():
    rnd = lcg(20260101)
    triples = [(r, g, b) for r in (0, 255) for g in (0, 255) for b in (0, 255)]
    triples += [(v, v, v) for v in range(0, 256, 17)]
    triples += [(255, 0, 128), (128, 128, 127), (1, 0, 0), (0, 1, 1), (254, 255, 255)]
    triples += [(next(rnd) % 256, next(rnd) % 256, next(rnd) % 256) for _ in range(600)]
    lines = []
    for r, g, b in triples:
        h, s, v = colorsys.rgb_to_hsv(r / 255, g / 255, b / 255)
        lines.append("hsv %d %d %d %s %s %s" % (r, g, b, fmt(h * 360), fmt(s), fmt(v)))
        h, l, s = colorsys.rgb_to_hls(r / 255, g / 255, b / 255)
        lines.append("hsl %d %d %d %s %s %s" % (r, g, b, fmt(h * 360), fmt(s), fmt(l)))
    hues = [(h, s, x) for h in range(0, 360, 15) for s in (0, 0.25, 1) for x in (0.2, 0.5, 1)]
    hues += [(next(rnd) % 36000 / 100, next(rnd) % 1001 / 1000, next(rnd) % 1001 / 1000)
             for _ in range(600)]
    for h, s, x in hues:
        r, g, b = colorsys.hsv_to_rgb(h / 360, s, x)
        lines.append("hsv2rgb %s %s %s %s %s %s" % (fmt(h), fmt(s), fmt(x),
                                                    fmt(r * 255), fmt(g * 255), fmt(b * 255)))
        r, g, b = colorsys.hls_to_rgb(h / 360, x, s)
        lines.append("hsl2rgb %s %s %s %s %s %s" % (fmt(h), fmt(s), fmt(x),
                                                    fmt(r * 255), fmt(g * 255), fmt(b * 255)))
    out = pathlib.Path("tests/colors/data/colorsys_vectors.txt")
    out.write_text("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
