#!/usr/bin/env bash
# A batch of 300 pictures of 128x128 (24-bit) converted to a 16-colour palette:
#   tintshift (which runs hueswap once per file), as `tintshift '*.bmp' -O out/ -P pal`
#   inside the folder of the files;
#   one Pillow process converting all 300;
#   a C program that posix_spawns hueswap once per file (hueswap's own cost);
#   the same C program spawning a do-nothing program once per file (the floor of
#   starting a process per file), dynamically linked as most programs are, and
#   statically linked as hueswap is on Linux;
#   the same C program spawning io_floor once per file: a static program that only
#   reads the palette and the picture and writes, syncs and renames an output of
#   hueswap's size (the floor of any converter that keeps hueswap's safety on this
#   machine's disk; the sync alone costs a few tenths of a millisecond per file).
# Goals: tintshift / Pillow <= 1/0.9, tintshift / spawn-only <= 1.3.
source "$(dirname "$0")/common.sh"
build_all
HAVE_PILLOW=0; ensure_pillow && HAVE_PILLOW=1
RUNS=${RUNS:-10}

BATCH=$DATA/batch
OUT=$DATA/out-batch
rm -rf "$OUT"; mkdir -p "$OUT/tintshift" "$OUT/pillow" "$OUT/spawn" "$OUT/floor"
CSV=$OUT/times.csv
cd "$BATCH"

# Does tintshift run the batch yet? One trial run must convert all 300 files.
HAVE_BATCH=0
if [ -x "$TINTSHIFT" ]; then
  "$TINTSHIFT" '*.bmp' -O "$OUT/tintshift/" -P "$DATA/pal16.pal" >/dev/null 2>&1 || true
  converted=$(find "$OUT/tintshift" -name '*.bmp' | wc -l)
  if [ "$converted" -eq 300 ]; then HAVE_BATCH=1; fi
else
  converted=0
fi

commands=(
  -n spawn-noop "$TOOLS/spawn_each $TOOLS/noop"
  -n spawn-noop-static "$TOOLS/spawn_each $TOOLS/noop-static"
  -n spawn-io-floor "$TOOLS/spawn_each $TOOLS/io_floor $DATA/pal16.pal $OUT/floor"
  -n spawn-hueswap "$TOOLS/spawn_each $HUESWAP $DATA/pal16.pal $OUT/spawn"
)
if [ "$HAVE_BATCH" = 1 ]; then
  commands+=(-n tintshift "$TINTSHIFT *.bmp -O $OUT/tintshift/ -P $DATA/pal16.pal")
fi
if [ "$HAVE_PILLOW" = 1 ]; then
  commands+=(-n pillow "$PYTHON $ROOT/bench/pillow_quantize.py $DATA/pal16.bmp $OUT/pillow *.bmp")
fi
if [ "$HAVE_BATCH" = 1 ] && [ "$HUESWAP" != "$(dirname "$TINTSHIFT")/hueswap" ]; then
  echo "note: tintshift runs the hueswap beside it, $(dirname "$TINTSHIFT")/hueswap, not $HUESWAP"
fi
echo "== batch: 300 pictures of 128x128, 16-colour palette ($ROUNDS rounds of $RUNS runs each; medians)"
time_rounds "$CSV" 1 "$RUNS" "${commands[@]}"

echo
echo "== ratios"
if [ "$HAVE_BATCH" = 1 ]; then
  if [ "$HAVE_PILLOW" = 1 ]; then
    ratio_row "tintshift / Pillow (all 300 in one process)" "$(median_ms "$CSV" tintshift)" "$(median_ms "$CSV" pillow)" 1.111
  fi
  ratio_row "tintshift / spawn-only" "$(median_ms "$CSV" tintshift)" "$(median_ms "$CSV" spawn-noop)" 1.3
  ratio_row "tintshift / spawn-only (static do-nothing)" "$(median_ms "$CSV" tintshift)" "$(median_ms "$CSV" spawn-noop-static)" 1.3
  ratio_row "tintshift / spawn + mandatory I/O floor" "$(median_ms "$CSV" tintshift)" "$(median_ms "$CSV" spawn-io-floor)" -
else
  echo "  tintshift rows skipped: tintshift's batch is not there yet ($TINTSHIFT converted $converted of 300 files)"
fi
if [ "$HAVE_PILLOW" = 1 ]; then
  ratio_row "hueswap spawned per file / Pillow" "$(median_ms "$CSV" spawn-hueswap)" "$(median_ms "$CSV" pillow)" -
else
  echo "  Pillow rows skipped: Pillow is not installed"
fi
ratio_row "hueswap spawned per file / spawn-only" "$(median_ms "$CSV" spawn-hueswap)" "$(median_ms "$CSV" spawn-noop)" -
ratio_row "hueswap spawned per file / I/O floor" "$(median_ms "$CSV" spawn-hueswap)" "$(median_ms "$CSV" spawn-io-floor)" -
echo "  The floors themselves, against the goals' yardsticks:"
if [ "$HAVE_PILLOW" = 1 ]; then
  ratio_row "spawn-only / Pillow" "$(median_ms "$CSV" spawn-noop)" "$(median_ms "$CSV" pillow)" -
  ratio_row "I/O floor / Pillow" "$(median_ms "$CSV" spawn-io-floor)" "$(median_ms "$CSV" pillow)" -
fi
ratio_row "I/O floor / spawn-only" "$(median_ms "$CSV" spawn-io-floor)" "$(median_ms "$CSV" spawn-noop)" -

echo
echo "== exactness of hueswap's batch output against brute force (first 5 files)"
status=0
for f in 000 001 002 100 299; do
  printf '  %s.bmp: ' "$f"
  "$TOOLS/exact_check" "$BATCH/$f.bmp" "$DATA/pal16.bmp" "$OUT/spawn/$f.bmp" strict || status=1
done
exit $status
