#!/usr/bin/env python3
"""Writes tests/dstruct/data/crc16_vectors.txt: CRC-16 reference values made by
Python's binascii.crc_hqx (poly 0x1021, not reflected, no final XOR), an
implementation independent of zel.

Each line: KIND ARG XMODEM CCITT
  hex  <bytes in hex, "-" for none>        literal input
  lcg  <seed>:<length>                     pseudo-random input, see lcg_bytes
XMODEM is the CRC with initial register 0x0000, CCITT with 0xFFFF (4 hex digits).
Run from the repository root: python3 scripts/gen_crc16_vectors.py
"""
import binascii
import pathlib


def lcg_bytes(seed, length):
    """x = x * 1103515245 + 12345 (mod 2^32); each byte is the top 8 bits."""
    x = seed & 0xFFFFFFFF
    out = bytearray(length)
    for i in range(length):
        x = (x * 1103515245 + 12345) & 0xFFFFFFFF
        out[i] = x >> 24
    return bytes(out)


def line(kind, arg, data):
    return "%s %s %04X %04X" % (kind, arg, binascii.crc_hqx(data, 0), binascii.crc_hqx(data, 0xFFFF))


def main():
    lines = []
    texts = [b"", b"1", b"123456789", b"A", b"abc", b"The quick brown fox jumps over the lazy dog",
             b"\x00", b"\xff", b"\x00\x00", b"\xff\xff", bytes(range(256))]
    for t in texts:
        lines.append(line("hex", t.hex().upper() or "-", t))
    lengths = list(range(0, 301)) + [383, 384, 385, 511, 512, 513, 1000, 1023, 1024, 1025,
                                      4095, 4096, 4097, 65535, 65536, 65537, 1000003]
    for n, length in enumerate(lengths):
        seed = 1000 + n
        lines.append(line("lcg", "%d:%d" % (seed, length), lcg_bytes(seed, length)))
    out = pathlib.Path(__file__).resolve().parent.parent / "tests/dstruct/data/crc16_vectors.txt"
    out.write_text("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
