#!/usr/bin/env bash
# Runs the native build's whole test suite under valgrind's memcheck: the unit tests,
# converter_tests and the end-to-end tests. Every process they start (tintshift,
# hueswap, the probes, the shell of a test's system() call) runs under memcheck too
# (--trace-children=yes), so a memory error or a leak definitely lost in a spawned
# program fails the test that ran it as well as this script.
#   scripts/valgrind-tests.sh [GTEST_FILTER]
# Logs: build/valgrind/memcheck/<test executable>/<pid>.log. Ends with one line:
#   valgrind: N passed, M failed
set -uo pipefail
cd "$(dirname "$0")/.."

command -v valgrind >/dev/null || { echo "valgrind: not installed (apt-get install valgrind)"; exit 1; }
# Its own build, with dynamically linked programs: valgrind cannot follow the start-up
# of a statically linked glibc.
cmake --preset valgrind >/dev/null && cmake --build --preset valgrind >/dev/null ||
  { echo "valgrind: the build failed"; exit 1; }

filter=${1:-*}
# The kinds of memcheck error other than leaks.
memory_errors='Invalid (read|write|free)|uninitialised|Mismatched free|Syscall param|overlap|fishy|Argument .* of function'

executables=(
  build/valgrind/tests/logic_tests
  build/valgrind/tests/converter/converter_tests
  build/valgrind/tests/tintshift_e2e
)
root=$PWD/build/valgrind/memcheck  # absolute: the tests start programs in other folders
rm -rf "$root"
passed=0
failed=0
for exe in "${executables[@]}"; do
  name=$(basename "$exe")
  logs=$root/$name
  mkdir -p "$logs"
  started=$(date +%s)
  valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
    --errors-for-leak-kinds=definite --show-leak-kinds=definite \
    --trace-children=yes --child-silent-after-fork=yes \
    --log-file="$logs/%p.log" "$exe" --gtest_filter="$filter" >"$logs/output.txt" 2>&1
  status=$?
  # Any process with an error or a definite leak, whatever its exit status. A process
  # that a test ends with a signal (hueswap interrupted half-way) dies holding its
  # memory: a leak report from it is not a leak, but a memory error still counts.
  bad=
  for log in $(grep -lE 'ERROR SUMMARY: [1-9]|definitely lost: [1-9]' "$logs"/*.log 2>/dev/null); do
    if grep -q 'Process terminating with default action of signal' "$log" &&
       ! grep -qE "$memory_errors" "$log"; then
      echo "valgrind: $name: ignored the leak report of a process killed by a signal ($log)"
    else
      bad+=" $log"
    fi
  done
  processes=$(ls "$logs"/*.log | wc -l)
  seconds=$(( $(date +%s) - started ))
  if [ "$status" -eq 0 ] && [ -z "$bad" ]; then
    echo "valgrind: $name passed ($(grep -Eo '[0-9]+ tests? from [0-9]+ test suites? ran' "$logs/output.txt" | tail -n 1), $processes processes checked, $seconds s)"
    passed=$((passed + 1))
  else
    echo "valgrind: $name FAILED (exit status $status; see $logs/output.txt)"
    for log in $bad; do echo "  memcheck findings in $log"; done
    grep -E '^\[  FAILED  \]' "$logs/output.txt" | sed 's/^/  /' | head -n 20
    failed=$((failed + 1))
  fi
done
echo "valgrind: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
