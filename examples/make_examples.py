#!/usr/bin/env python3
"""Writes the sample pictures and the sample palette of examples/.

The files are committed, so running tintshift on them needs no Python; run this
again only to change them:  python3 examples/make_examples.py [OUTPUT_FOLDER]

  gradient-24bit.bmp  64x64, 24 bits per pixel, a smooth three-colour gradient
  rings-8bit.bmp      64x64, 8 bits per pixel, rings drawn with a 216-colour cube
                      and a 40-step grey ramp
  tiles-4bit.bmp      64x64, 4 bits per pixel, a tiled pattern in 16 colours
  game.pal            a 16-colour JASC-PAL palette to convert them to
"""
import colorsys
import math
import os
import struct
import sys


def bmp_bytes(width, height, bits, palette, rows):
    """A BMP file with a 40-byte header, stored bottom-up. `rows` is top row
    first; each row is a list of palette indices (bits <= 8) or of (r, g, b)."""
    row_size = (width * bits + 31) // 32 * 4
    pixels = bytearray()
    for row in reversed(rows):
        data = bytearray()
        if bits == 24:
            for r, g, b in row:
                data += bytes((b, g, r))
        else:
            per_byte = 8 // bits
            for x in range(0, width, per_byte):
                byte = 0
                for k in range(per_byte):
                    value = row[x + k] if x + k < width else 0
                    byte |= value << (8 - bits * (k + 1))
                data.append(byte)
        data += bytes(row_size - len(data))
        pixels += data
    table = bytearray()
    for r, g, b in palette:
        table += bytes((b, g, r, 0))
    offset = 14 + 40 + len(table)
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, len(pixels),
                         2835, 2835, len(palette), 0)
    file_header = b'BM' + struct.pack('<IHHI', offset + len(pixels), 0, 0, offset)
    return file_header + header + bytes(table) + bytes(pixels)


GAME_PALETTE = [
    (0, 0, 0), (255, 255, 255), (128, 128, 128), (64, 64, 64),
    (192, 48, 48), (240, 140, 40), (250, 220, 80), (60, 160, 70),
    (30, 90, 50), (60, 120, 220), (30, 40, 110), (120, 200, 230),
    (150, 80, 180), (240, 150, 190), (140, 90, 50), (230, 200, 160),
]


def jasc_pal(colours):
    lines = ['JASC-PAL', '0100', str(len(colours))]
    lines += ['%d %d %d' % c for c in colours]
    return ('\r\n'.join(lines) + '\r\n').encode('ascii')


def gradient_24bit():
    size = 64
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            r = x * 255 // (size - 1)
            g = y * 255 // (size - 1)
            b = 255 - (x + y) * 255 // (2 * size - 2)
            row.append((r, g, b))
        rows.append(row)
    return bmp_bytes(size, size, 24, [], rows)


def rings_8bit():
    size = 64
    palette = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    palette += [(v * 255 // 39,) * 3 for v in range(40)]
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            distance = math.hypot(x - 31.5, y - 31.5)
            angle = math.atan2(y - 31.5, x - 31.5)
            if distance > 30:
                row.append(216 + (x + y) * 39 // (2 * size - 2))  # grey corners
            else:
                ring = int(distance) // 4
                r = (ring + int((angle + math.pi) * 3 / math.pi)) % 6
                row.append(r * 36 + (ring % 6) * 6 + (5 - ring % 6))
        rows.append(row)
    return bmp_bytes(size, size, 8, palette, rows)


def tiles_4bit():
    size = 64
    palette = [tuple(round(255 * v) for v in colorsys.hsv_to_rgb(i / 16, 0.7, 0.95))
               for i in range(16)]
    rows = []
    for y in range(size):
        rows.append([((x // 8) + (y // 8) * 3 + ((x ^ y) & 4) // 4) % 16 for x in range(size)])
    return bmp_bytes(size, size, 4, palette, rows)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    files = {
        'gradient-24bit.bmp': gradient_24bit(),
        'rings-8bit.bmp': rings_8bit(),
        'tiles-4bit.bmp': tiles_4bit(),
        'game.pal': jasc_pal(GAME_PALETTE),
    }
    for name, data in files.items():
        with open(os.path.join(folder, name), 'wb') as out:
            out.write(data)
        print('%-20s %6d bytes' % (name, len(data)))


if __name__ == '__main__':
    main()
