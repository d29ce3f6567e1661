#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzz target for a short, bounded time (20 s
# each, FUZZ_SECONDS to change) on a copy of its committed corpus, so that the corpus
# in fuzz/corpus/ stays as it is. One line per target, then the totals:
#   fuzz-smoke: N passed, M failed
# Exit status: 0 without a finding, 1 with one (or a failed build), 77 when clang's
# fuzzer runtime is not installed (nothing was run).
set -uo pipefail
cd "$(dirname "$0")/.."
. scripts/fuzz-common.sh

seconds=${FUZZ_SECONDS:-20}

if ! fuzz_runtime_present; then
  echo "fuzz-smoke: clang++-14 or its fuzzer runtime is missing (install clang and libclang-rt-14-dev)"
  exit 77
fi
if ! fuzz_build; then
  echo "fuzz-smoke: the fuzz build failed"
  echo "fuzz-smoke: 0 passed, 1 failed"
  exit 1
fi

work=build/fuzz/smoke
rm -rf "$work"
mkdir -p "$work/logs"
passed=0
failed=0
for name in $(fuzz_targets); do
  cp -r "fuzz/corpus/$name" "$work/$name"
  log=$work/logs/$name.log
  if fuzz_run "$name" "$work/$name" "$log" -max_total_time="$seconds"; then
    echo "fuzz-smoke: $name passed ($(fuzz_figures "$log"))"
    passed=$((passed + 1))
  else
    echo "fuzz-smoke: $name FAILED: $(fuzz_finding "$log") (log: $log)"
    failed=$((failed + 1))
  fi
done
echo "fuzz-smoke: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
