#!/usr/bin/env python3
"""Writes the hand-made seed files of the fuzz corpora (tiny BMP files of every pixel
format and header the decoder reads, and palette files of every format). Run from
anywhere; it writes into fuzz/corpus/. The bmpsuite copies are not made here."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def info_header(size, width, height, bits, compression=0, colours_used=0, extra=b""):
    head = struct.pack("<IiiHHIIiiII", size, width, height, 1, bits, compression, 0,
                       2835, 2835, colours_used, 0)
    return (head + extra + bytes(size))[:size]


def bmp(header, table, pixels):
    offset = 14 + len(header) + len(table)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + header + table + pixels


def table(n, entry=4):
    return b"".join(bytes([i * 40 % 256, i * 80 % 256, i * 20 % 256, 0][:entry]) for i in range(n))


# 24 bits, 2 x 2, bottom-up.
write("bmp_decoder", "tiny-rgb24.bmp",
      bmp(info_header(40, 2, 2, 24), b"", b"\x00\x00\xff\x00\xff\x00\x00\x00" + b"\xff\x00\x00\xff\xff\xff\x00\x00"))
# 8 bits, 3 x 2, top-down.
write("bmp_decoder", "tiny-pal8-topdown.bmp",
      bmp(info_header(40, 3, -2, 8, colours_used=4), table(4), b"\x00\x01\x02\x00\x03\x02\x01\x00"))
# 1 bit with an OS/2 1.x header (12 bytes, 3-byte entries).
write("bmp_decoder", "tiny-os2-pal1.bmp",
      bmp(struct.pack("<IHHHH", 12, 5, 2, 1, 1), table(2, 3), b"\xa8\x00\x00\x00\x50\x00\x00\x00"))
# 16 bits 5-6-5 through bit fields after a 40-byte header.
write("bmp_decoder", "tiny-rgb16-565.bmp",
      bmp(info_header(40, 2, 1, 16, compression=3) + struct.pack("<III", 0xF800, 0x07E0, 0x001F), b"",
          b"\x1f\x00\xe0\x07"))
# 16 bits, default 5-5-5.
write("bmp_decoder", "tiny-rgb16.bmp", bmp(info_header(40, 2, 1, 16), b"", b"\x1f\x00\xe0\x03"))
# 32 bits through bit fields in a 108-byte header.
masks = struct.pack("<IIII", 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
write("bmp_decoder", "tiny-rgb32-v4.bmp",
      bmp(info_header(108, 1, 2, 32, compression=3, extra=masks), b"", b"\x10\x20\x30\x00\x40\x50\x60\x00"))
# 32 bits, BI_RGB, 124-byte header.
write("bmp_decoder", "tiny-rgb32-v5.bmp", bmp(info_header(124, 2, 1, 32), b"", b"\x01\x02\x03\x00\x04\x05\x06\x00"))
# RLE8: a run, an absolute run, an end of line, a delta, end of bitmap.
write("bmp_decoder", "tiny-rle8.bmp",
      bmp(info_header(40, 6, 3, 8, compression=1, colours_used=4), table(4),
          b"\x03\x01\x00\x03\x02\x03\x01\x00\x00\x00\x00\x02\x02\x01\x02\x02\x00\x01"))
# RLE4: runs of alternating nibbles, an absolute run of three, end of bitmap.
write("bmp_decoder", "tiny-rle4.bmp",
      bmp(info_header(40, 7, 2, 4, compression=2, colours_used=4), table(4),
          b"\x04\x12\x00\x03\x23\x10\x00\x00\x07\x30\x00\x01"))
# OS/2 2.x, 64-byte header, 4 bits.
write("bmp_decoder", "tiny-os2v2-pal4.bmp",
      bmp(info_header(64, 3, 1, 4, colours_used=3), table(3), b"\x01\x20\x00\x00"))

# Palettes.
write("palette", "jasc.pal", b"JASC-PAL\r\n0100\r\n3\r\n255 0 0\r\n0 255 0\r\n0 0 255\r\n")
write("palette", "gimp.gpl", b"GIMP Palette\nName: seed\nColumns: 2\n# comment\n255 0 0 red\n  0 128 255\tsky\n")
write("palette", "hex.txt", b"\xef\xbb\xbf#FF0000\n00ff00\r\n#0000FF\n")
entries = b"".join(bytes([i, 255 - i, i // 2, 0]) for i in range(4))
data = struct.pack("<HH", 0x0300, 4) + entries
write("palette", "riff.pal", b"RIFF" + struct.pack("<I", 4 + 8 + len(data) + 10) + b"PAL " +
      b"LIST" + struct.pack("<I", 1) + b"x\x00" + b"data" + struct.pack("<I", len(data)) + data)
write("palette", "raw-vga.pal", bytes(i * 3 // 4 % 64 for i in range(768)))
write("palette", "colours.bmp", bmp(info_header(40, 1, 1, 8, colours_used=3), table(3), b"\x00\x00\x00\x00"))
write("palette", "colours-os2.bmp", bmp(struct.pack("<IHHHH", 12, 1, 1, 1, 2), table(4, 3), b"\x00\x00\x00\x00"))
