# Shared by the hueswap benchmark scripts: builds hueswap and the benchmark tools,
# makes the inputs, installs the comparison programs when missing, and prints ratios.
# Sourced, not run.

set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${BUILD:-$ROOT/build/native}
TOOLS=$ROOT/build/bench
DATA=$TOOLS/data
HUESWAP=${HUESWAP:-$BUILD/hueswap}
TINTSHIFT=${TINTSHIFT:-$BUILD/tintshift}


APT_UPDATED=0

# ensure COMMAND PACKAGE: installs PACKAGE with apt-get when COMMAND is missing and
# we are root; fails with a message otherwise.
ensure() {
  local command=$1 package=$2
  if [ -x "$command" ] || command -v "$command" >/dev/null 2>&1; then return 0; fi
  if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
    if [ "$APT_UPDATED" = 0 ]; then apt-get update -qq >/dev/null; APT_UPDATED=1; fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$package" >/dev/null
  fi
  if [ -x "$command" ] || command -v "$command" >/dev/null 2>&1; then return 0; fi
  echo "bench: $command is missing (Debian package $package); install it or run as root" >&2
  return 1
}

# Debian's Python with Pillow (python3-pil installs into /usr/bin/python3's path).
PYTHON=/usr/bin/python3
ensure_pillow() {
  ensure "$PYTHON" python3 || return 1
  if ! "$PYTHON" -c 'import PIL' 2>/dev/null; then
    if [ "$(id -u)" = 0 ]; then
      if [ "$APT_UPDATED" = 0 ]; then apt-get update -qq >/dev/null; APT_UPDATED=1; fi
      DEBIAN_FRONTEND=noninteractive apt-get install -y -qq python3-pil >/dev/null
    fi
    "$PYTHON" -c 'import PIL' 2>/dev/null || { echo "bench: Pillow is missing (python3-pil)" >&2; return 1; }
  fi
}

# ImageMagick itself: /usr/local/bin/convert may be a wrapper script on this machine.
ensure_imagemagick() {
  if command -v magick >/dev/null 2>&1 && [ "$(command -v magick)" != /usr/local/bin/magick ]; then
    IMAGEMAGICK=$(command -v magick)
    return 0
  fi
  ensure /usr/bin/convert imagemagick || return 1
  IMAGEMAGICK=/usr/bin/convert
}

build_all() {
  ensure hyperfine hyperfine
  ensure g++ g++
  ensure cmake cmake
  (cd "$ROOT" && cmake --preset native >/dev/null && cmake --build --preset native >/dev/null)
  mkdir -p "$TOOLS" "$DATA/batch"
  local flags="-std=c++17 -O2 -Wall -Wextra -I$ROOT"
  g++ $flags "$ROOT/bench/make_inputs.cc" -o "$TOOLS/make_inputs"
  g++ $flags "$ROOT/bench/exact_check.cc" -o "$TOOLS/exact_check"
  # -O3 as hueswap's converter code is built (converter/CMakeLists.txt).
  g++ $flags -O3 "$ROOT/bench/nearest_speed.cc" "$ROOT/converter/nearest_colour.cc" -o "$TOOLS/nearest_speed"
  gcc -O2 -Wall -Wextra "$ROOT/bench/spawn_each.c" -o "$TOOLS/spawn_each"
  gcc -O2 "$ROOT/bench/noop.c" -o "$TOOLS/noop"
  gcc -O2 -static "$ROOT/bench/noop.c" -o "$TOOLS/noop-static"
  gcc -O2 -Wall -Wextra -static "$ROOT/bench/io_floor.c" -o "$TOOLS/io_floor"
  if [ ! -f "$DATA/batch/299.bmp" ] || [ ! -f "$DATA/noise24.bmp" ]; then "$TOOLS/make_inputs" "$DATA"; fi
}

# Timing on a shared machine: a burst of load (someone else building) spoils the runs
# of whichever command it falls on. So every script times all its commands side by
# side in ROUNDS rounds (default 3) of hyperfine, and a command's figure is the
# median of its per-round medians: a burst spoils one round of one command, not the
# comparison.
ROUNDS=${ROUNDS:-3}

# time_rounds CSV WARMUP RUNS HYPERFINE_COMMAND_ARGS...: runs the rounds, printing
# each round's summary lines; CSV gets every round's rows.
time_rounds() {
  local csv=$1 warmup=$2 runs=$3
  shift 3
  : >"$csv"
  local round
  for round in $(seq 1 "$ROUNDS"); do
    echo "-- round $round of $ROUNDS"
    hyperfine -N --style basic --warmup "$warmup" --runs "$runs" --export-csv "$csv.round" "$@" |
      grep -E '^(Benchmark|  Time)'
    tail -n +2 "$csv.round" >>"$csv"
  done
  rm -f "$csv.round"
}

# median_ms CSV NAME: the median over the rounds of the median time, in
# milliseconds, of the command hyperfine ran as NAME.
median_ms() {
  awk -F, -v name="$2" '$1 == name { print $4 * 1000 }' "$1" | sort -n |
    awk '{ v[NR] = $1 } END { if (NR % 2) printf "%.3f", v[(NR + 1) / 2]; else printf "%.3f", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# ratio_row LABEL A_MS B_MS GOAL: prints A/B and whether it is within GOAL (a
# largest ratio; "-" for none).
ratio_row() {
  awk -v label="$1" -v a="$2" -v b="$3" -v goal="$4" 'BEGIN {
    r = a / b
    verdict = (goal == "-") ? "" : (r <= goal ? sprintf("goal <= %s: met", goal) : sprintf("goal <= %s: MISSED", goal))
    printf "  %-46s %8.2f ms / %8.2f ms = %6.2fx  %s\n", label, a, b, r, verdict
  }'
}
