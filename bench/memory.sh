#!/usr/bin/env bash
# Peak memory (maximum resident set size, from /usr/bin/time -v) of hueswap
# converting an uncompressed 1024x1024 picture: the photo-like one in 24 and 8 bits,
# and random noise, which makes the nearest-colour search build the most cells.
# Goal: under 4 MB.
# A do-nothing C program's peak is shown as the floor of any process.
source "$(dirname "$0")/common.sh"
build_all
ensure /usr/bin/time time
OUT=$DATA/out-memory
rm -rf "$OUT"; mkdir -p "$OUT"

peak_kb() {
  /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ { print $2 }'
}

echo "== peak memory (max RSS)"
status=0
floor=$(peak_kb "$TOOLS/noop")
printf '  %-48s %6d KB\n' "do-nothing program (floor)" "$floor"
for input in big24 big8 noise24; do
  for palette in pal256 pal16; do
    kb=$(peak_kb "$HUESWAP" "$DATA/$input.bmp" -O "$OUT/$input-$palette.bmp" -P "$DATA/$palette.pal")
    verdict="goal < 4096 KB: met"
    if [ "$kb" -ge 4096 ]; then verdict="goal < 4096 KB: MISSED"; status=1; fi
    printf '  %-48s %6d KB  %s\n' "hueswap $input.bmp (1024x1024), $palette" "$kb" "$verdict"
  done
done
exit $status
