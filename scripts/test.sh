#!/usr/bin/env bash
# Builds every preset and runs every test: the Linux build, the sanitizer build, a
# short run of every fuzz target (scripts/fuzz-smoke.sh) and the Windows build under
# Wine. Ends with one line of totals.
#
# In CI (CI=true) every leg must run; elsewhere a leg whose tools cannot be installed
# is skipped, and the skip is said plainly.
set -uo pipefail
cd "$(dirname "$0")/.."

passed=0
failed=0
skipped_legs=()
failed_legs=()

note() { printf '\n=== %s ===\n' "$*"; }

# Runs ctest for a preset and adds its counts to the totals.
run_ctest() {
  local preset=$1 log
  log=$(mktemp)
  ctest --preset "$preset" "${@:2}" 2>&1 | tee "$log"
  local line
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -n "$line" ]; then
    local total bad
    bad=$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/')
    total=$(echo "$line" | sed -E 's/.* failed out of ([0-9]+).*/\1/')
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    [ "$bad" -eq 0 ] || failed_legs+=("$preset")
  else
    failed=$((failed + 1))
    failed_legs+=("$preset (no test ran)")
  fi
  rm -f "$log"
}

build() {
  local preset=$1
  cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset"
}

if [ "${CI:-}" = true ]; then
  scripts/install-deps.sh all || exit 1
else
  scripts/install-deps.sh all || echo "test: some packages are missing (see above); legs that need them are skipped"
fi

note "native build"
if build native; then run_ctest native; else failed=$((failed + 1)); failed_legs+=("native build"); fi

note "sanitizer build (ASan + UBSan)"
if build sanitize; then run_ctest sanitize; else failed=$((failed + 1)); failed_legs+=("sanitize build"); fi

note "fuzz smoke (libFuzzer with ASan + UBSan, every target for ${FUZZ_SECONDS:-20} s)"
fuzz_log=$(mktemp)
scripts/fuzz-smoke.sh 2>&1 | tee "$fuzz_log"
fuzz_status=${PIPESTATUS[0]}
if [ "$fuzz_status" -eq 77 ] && [ "${CI:-}" != true ]; then
  echo "test: SKIPPED the fuzz leg: install clang and libclang-rt-14-dev to run it"
  skipped_legs+=(fuzz)
else
  # One passed or failed per target; a missing runtime or build counts as one failure.
  fuzz_line=$(grep -E '^fuzz-smoke: [0-9]+ passed, [0-9]+ failed$' "$fuzz_log" | tail -n 1)
  if [ -n "$fuzz_line" ]; then
    fuzz_good=$(echo "$fuzz_line" | sed -E 's/^fuzz-smoke: ([0-9]+) passed.*/\1/')
    fuzz_bad=$(echo "$fuzz_line" | sed -E 's/.* ([0-9]+) failed$/\1/')
  else
    fuzz_good=0
    fuzz_bad=1
  fi
  passed=$((passed + fuzz_good))
  failed=$((failed + fuzz_bad))
  [ "$fuzz_bad" -eq 0 ] && [ "$fuzz_status" -eq 0 ] || failed_legs+=("fuzz")
  [ "$fuzz_bad" -ne 0 ] || [ "$fuzz_status" -eq 0 ] || failed=$((failed + 1))
fi
rm -f "$fuzz_log"

note "win32 build under Wine"
if command -v i686-w64-mingw32-g++ >/dev/null && { command -v wine >/dev/null || command -v wine-stable >/dev/null; }; then
  if build win32; then run_ctest win32; else failed=$((failed + 1)); failed_legs+=("win32 build"); fi
elif [ "${CI:-}" = true ]; then
  echo "test: the win32 leg needs g++-mingw-w64-i686 and wine, and CI must run it"
  failed=$((failed + 1))
  failed_legs+=("win32 (tools missing)")
else
  echo "test: SKIPPED the win32 leg: install g++-mingw-w64-i686, wine and wine32:i386 to run it"
  skipped_legs+=(win32)
fi

echo
[ ${#skipped_legs[@]} -eq 0 ] || echo "skipped legs: ${skipped_legs[*]}"
[ ${#failed_legs[@]} -eq 0 ] || echo "failing legs: ${failed_legs[*]}"
echo "total: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
