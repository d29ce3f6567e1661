#!/usr/bin/env bash
# The nearest-colour search alone, in process: against a plain scan of the
# palette, on synthetic pictures and on the 1024x1024 benchmark picture.
source "$(dirname "$0")/common.sh"
build_all
echo "== nearest-colour search vs a scan of the whole palette (best of 5 runs)"
"$TOOLS/nearest_speed"
"$TOOLS/nearest_speed" "$DATA/big24.bmp" "$DATA/pal256.bmp"
