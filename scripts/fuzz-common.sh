# Shared by fuzz-smoke.sh and fuzz-long.sh: the fuzz targets, the runtime check, the
# build and one bounded libFuzzer run.

# Every target in fuzz/ (fuzz/fuzz_NAME.cc), by NAME.
fuzz_targets() {
  local f
  for f in fuzz/fuzz_*.cc; do
    f=${f#fuzz/fuzz_}
    echo "${f%.cc}"
  done
}

# Whether clang 14 and its libFuzzer runtime are installed.
fuzz_runtime_present() {
  command -v clang++-14 >/dev/null || return 1
  local lib
  lib=$(clang++-14 -print-file-name=libclang_rt.fuzzer-x86_64.a 2>/dev/null)
  [ -f "$lib" ] || lib=$(clang++-14 --print-runtime-dir 2>/dev/null)/libclang_rt.fuzzer-x86_64.a
  [ -f "$lib" ]
}

fuzz_build() {
  cmake --preset fuzz >/dev/null && cmake --build --preset fuzz
}

# fuzz_run NAME CORPUS_DIR LOG [libFuzzer options...]: runs one target on a working
# corpus (which it grows), writing findings to build/fuzz/findings/. Returns the
# target's status: 0 when it ran without a finding.
fuzz_run() {
  local name=$1 corpus=$2 log=$3
  shift 3
  local dict=()
  [ -f "fuzz/$name.dict" ] && dict=("-dict=fuzz/$name.dict")
  mkdir -p build/fuzz/findings "$corpus"
  "build/fuzz/fuzz/fuzz_$name" "${dict[@]}" -rss_limit_mb=2048 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="build/fuzz/findings/$name-" \
    "$@" "$corpus" >"$log" 2>&1
}

# The figures of a finished run: "N runs, E exec/s, cov C, ft F".
fuzz_figures() {
  local log=$1 runs speed cov ft
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  cov=$(grep -Eo 'cov: [0-9]+' "$log" | tail -n 1 | cut -d' ' -f2)
  ft=$(grep -Eo 'ft: [0-9]+' "$log" | tail -n 1 | cut -d' ' -f2)
  echo "${runs:-?} runs, ${speed:-?} exec/s, cov ${cov:-?}, ft ${ft:-?}"
}

# The first line that names a finding, for the report.
fuzz_finding() {
  local log=$1
  grep -m1 -E 'ERROR: |check failed|runtime error|Test unit written' "$log" || tail -n 1 "$log"
}
