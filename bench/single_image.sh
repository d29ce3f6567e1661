#!/usr/bin/env bash
# hueswap on one 1024x1024 picture, side by side with cp of the same file, a
# one-shot Pillow script and ImageMagick's remap (written uncompressed, as hueswap
# writes); then the exactness of hueswap's output against a brute-force search.
# Goals: 8-bit input within 2x of cp, 24-bit input (256-colour palette) within 4x.
# Also timed: io_floor (bench/io_floor.c), hueswap's mandatory I/O without conversion.
# Usage: bench/single_image.sh   (RUNS=n runs per round, ROUNDS=n rounds; HUESWAP=path)
source "$(dirname "$0")/common.sh"
build_all
HAVE_PILLOW=0; ensure_pillow && HAVE_PILLOW=1
HAVE_MAGICK=0; ensure_imagemagick && HAVE_MAGICK=1
RUNS=${RUNS:-10}

OUT=$DATA/out-single
rm -rf "$OUT"; mkdir -p "$OUT"
CSV=$OUT/times.csv
commands=(
  -n cp-8bit "cp $DATA/big8.bmp $OUT/cp8.bmp"
  -n hueswap-8bit "$HUESWAP $DATA/big8.bmp -O $OUT/h8.bmp -P $DATA/pal256.pal"
  -n io-floor-8bit "$TOOLS/io_floor $DATA/big8.bmp -O $OUT/f8.bmp -P $DATA/pal256.pal"
  -n cp-24bit "cp $DATA/big24.bmp $OUT/cp24.bmp"
  -n hueswap-24bit "$HUESWAP $DATA/big24.bmp -O $OUT/h24.bmp -P $DATA/pal256.pal"
  -n io-floor-24bit "$TOOLS/io_floor $DATA/big24.bmp -O $OUT/f24.bmp -P $DATA/pal256.pal"
)
if [ "$HAVE_PILLOW" = 1 ]; then
  mkdir -p "$OUT/pillow"
  commands+=(-n pillow-24bit "$PYTHON $ROOT/bench/pillow_quantize.py $DATA/pal256.bmp $OUT/pillow $DATA/big24.bmp")
fi
if [ "$HAVE_MAGICK" = 1 ]; then
  commands+=(-n imagemagick-24bit "$IMAGEMAGICK $DATA/big24.bmp +dither -remap $DATA/pal256.bmp -compress none BMP3:$OUT/im24.bmp")
fi
echo "== hueswap, one 1024x1024 picture, 256-colour palette ($ROUNDS rounds of $RUNS runs each; medians)"
time_rounds "$CSV" 3 "$RUNS" "${commands[@]}"

echo
echo "== ratios"
ratio_row "hueswap 8-bit input / cp" "$(median_ms "$CSV" hueswap-8bit)" "$(median_ms "$CSV" cp-8bit)" 2
ratio_row "hueswap 24-bit input / cp" "$(median_ms "$CSV" hueswap-24bit)" "$(median_ms "$CSV" cp-24bit)" 4
# io_floor reads the input and writes, syncs and renames an output of hueswap's size,
# converting nothing: the part of hueswap's time that its safety and I/O make
# unavoidable (cp neither syncs nor renames).
ratio_row "hueswap 8-bit input / I/O floor" "$(median_ms "$CSV" hueswap-8bit)" "$(median_ms "$CSV" io-floor-8bit)" -
ratio_row "hueswap 24-bit input / I/O floor" "$(median_ms "$CSV" hueswap-24bit)" "$(median_ms "$CSV" io-floor-24bit)" -
ratio_row "I/O floor 8-bit / cp" "$(median_ms "$CSV" io-floor-8bit)" "$(median_ms "$CSV" cp-8bit)" -
if [ "$HAVE_PILLOW" = 1 ]; then
  ratio_row "hueswap 24-bit / Pillow one-shot" "$(median_ms "$CSV" hueswap-24bit)" "$(median_ms "$CSV" pillow-24bit)" -
else
  echo "  Pillow row skipped: Pillow is not installed"
fi
if [ "$HAVE_MAGICK" = 1 ]; then
  ratio_row "hueswap 24-bit / ImageMagick remap" "$(median_ms "$CSV" hueswap-24bit)" "$(median_ms "$CSV" imagemagick-24bit)" -
else
  echo "  ImageMagick row skipped: ImageMagick is not installed"
fi

echo
echo "== exactness against brute force"
status=0
printf '  hueswap 24-bit:     '; "$TOOLS/exact_check" "$DATA/big24.bmp" "$DATA/pal256.bmp" "$OUT/h24.bmp" strict || status=1
printf '  hueswap 8-bit:      '; "$TOOLS/exact_check" "$DATA/big8.bmp" "$DATA/pal256.bmp" "$OUT/h8.bmp" strict || status=1
if [ "$HAVE_PILLOW" = 1 ]; then
  printf '  Pillow 24-bit:      '; "$TOOLS/exact_check" "$DATA/big24.bmp" "$DATA/pal256.bmp" "$OUT/pillow/big24.bmp" || true
fi
if [ "$HAVE_MAGICK" = 1 ]; then
  printf '  ImageMagick 24-bit: '; "$TOOLS/exact_check" "$DATA/big24.bmp" "$DATA/pal256.bmp" "$OUT/im24.bmp" || true
fi
exit $status
