#!/usr/bin/env bash
# The main job on the bundled examples: builds tintshift and hueswap, then converts
# every examples/*.bmp to the palette examples/game.pal, writing the results to
# build/converted/. The originals in examples/ stay as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh native
cmake --preset native >/dev/null
cmake --build --preset native --target tintshift hueswap
mkdir -p build/converted
set +e
build/native/tintshift 'examples/*.bmp' -O build/converted/ -P examples/game.pal
status=$?
set -e
echo "tintshift ended with status $status; converted images:"
ls -l build/converted/
exit $status
