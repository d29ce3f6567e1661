#!/usr/bin/env bash
# Long fuzz runs, one target at a time:
#   scripts/fuzz-long.sh [-runs=N | -max_total_time=SECONDS] [TARGET...]
# Without a limit each target runs 10 million inputs, the BMP decoder (much slower per
# input) 2 million. With -runs=N the BMP decoder runs N / 5. Without targets, all.
# Each target keeps a working corpus in build/fuzz/long/NAME (started from its
# committed corpus), so that a second run goes on from where the first stopped.
# Prints executions, speed and coverage per target; exit status 1 after any finding.
set -uo pipefail
cd "$(dirname "$0")/.."
. scripts/fuzz-common.sh

limit=-runs=10000000
targets=()
for arg in "$@"; do
  case $arg in
    -runs=*|-max_total_time=*) limit=$arg ;;
    -*) echo "fuzz-long: unknown option $arg" >&2; exit 2 ;;
    *) targets+=("$arg") ;;
  esac
done
[ ${#targets[@]} -gt 0 ] || mapfile -t targets < <(fuzz_targets)

if ! fuzz_runtime_present; then
  echo "fuzz-long: clang++-14 or its fuzzer runtime is missing (install clang and libclang-rt-14-dev)"
  exit 1
fi
fuzz_build >/dev/null || { echo "fuzz-long: the fuzz build failed"; exit 1; }

status=0
mkdir -p build/fuzz/long/logs
for name in "${targets[@]}"; do
  [ -f "fuzz/fuzz_$name.cc" ] || { echo "fuzz-long: no target $name"; status=1; continue; }
  this=$limit
  if [ "$name" = bmp_decoder ] && [ "${limit%%=*}" = -runs ]; then this=-runs=$(( ${limit#-runs=} / 5 )); fi
  corpus=build/fuzz/long/$name
  mkdir -p "$corpus"
  cp -n "fuzz/corpus/$name"/* "$corpus"/
  log=build/fuzz/long/logs/$name.log
  started=$(date +%s)
  if fuzz_run "$name" "$corpus" "$log" "$this"; then
    echo "fuzz-long: $name: $(fuzz_figures "$log") in $(( $(date +%s) - started )) s, no finding"
  else
    echo "fuzz-long: $name: FINDING: $(fuzz_finding "$log") (log: $log)"
    status=1
  fi
done
exit $status
