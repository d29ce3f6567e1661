"""Pillow's side of the benchmarks: one process that converts every picture a
pattern selects to the palette of an 8-bit palette picture, without dithering.
Usage: python3 pillow_quantize.py PALETTE.bmp OUT_FOLDER PATTERN..."""
import glob
import os
import sys

from PIL import Image


def main():
    palette = Image.open(sys.argv[1])
    palette.load()
    out = sys.argv[2]
    for pattern in sys.argv[3:]:
        for path in sorted(glob.glob(pattern)):
            image = Image.open(path).convert('RGB')
            image.quantize(palette=palette, dither=Image.Dither.NONE).save(
                os.path.join(out, os.path.basename(path)), format='BMP')


if __name__ == '__main__':
    main()
