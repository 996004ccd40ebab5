#!/usr/bin/env bash
# Installs, builds and runs every test, in stages:
#   1. build/: the unit tests (under UTF-8, GB18030 and the C locale), the
#      Windows game launcher's start under Wine, the GUI tests, on a virtual
#      X server large enough for the 1334-pixel-wide window, and the package
#      tests (the installed tree, and a release .deb
#      checked by lintian); then the sources' checks (one-way includes,
#      each library's links, clang-format, clang-tidy: tools/lint.sh);
#   2. build-asan/: the unit tests and the in-process GUI tests again, built
#      with AddressSanitizer (leaks included) and UndefinedBehaviorSanitizer;
#   3. build-fuzz/: each fuzz target for a short while from its seeds.
# Every stage runs even when an earlier one failed. The last line counts the
# tests of all stages; the exit status is non-zero when any of them failed.
set -uo pipefail
cd "$(dirname "$0")/.."

xvfb=(xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp")
passed=0
failed=0
skipped=0
start=$SECONDS

stage() { echo "== test.sh: $* (at $((SECONDS - start)) s)"; }

# Runs ctest with the given arguments and adds its counts to the totals.
run_ctest() {
  local log
  log=$(mktemp)
  "${xvfb[@]}" ctest "$@" --output-on-failure -j"$(nproc)" 2>&1 | tee "$log"
  local summary total failures skips
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [[ -z $summary ]]; then
    echo "test.sh: ctest $* ran no test" >&2
    failed=$((failed + 1))
  else
    total=${summary##* }
    failures=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$summary")
    skips=$(grep -cE '^[[:space:]]+[0-9]+ - .* \(Skipped\)$' "$log" || true)
    passed=$((passed + total - failures - skips))
    failed=$((failed + failures))
    skipped=$((skipped + skips))
  fi
  rm -f "$log"
}

stage "building into build/"
if bash tools/build.sh; then
  stage "every test in build/"
  run_ctest --test-dir build -LE lint
  stage "the sources' checks"
  run_ctest --test-dir build -L lint
else
  echo "test.sh: the build failed" >&2
  failed=$((failed + 1))
fi

# Whole stacks (the system libraries have no frame pointers), so that a leak
# is told apart by where it was allocated; suppressed are only leaks inside
# system libraries, each explained in the file.
export ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan-suppressions.txt
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
stage "building the sanitizer build into build-asan/"
if cmake -S . -B build-asan -DLAUNCHER_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
  cmake --build build-asan -j"$(nproc)" --target unit_tests gtk_tests ui_tests app_tests >/dev/null; then
  stage "unit and in-process GUI tests under AddressSanitizer and UndefinedBehaviorSanitizer"
  # The black-box GUI tests (gui.*), the package tests (package.*), the
  # tests under Wine (wine.*) and the sources' checks (lint.*) run only in
  # stage 1.
  run_ctest --test-dir build-asan -E '^(gui|package|lint|wine)\.'
else
  echo "test.sh: the sanitizer build failed" >&2
  failed=$((failed + 1))
fi
unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS

stage "fuzzing each target for 15 s"
fuzz_log=$(mktemp)
# Apart from the corpus and findings of longer fuzzing sessions.
FUZZ_OUT=build-fuzz/test bash tools/fuzz.sh 15 2>&1 | tee "$fuzz_log"
fuzz_status=${PIPESTATUS[0]}
# One table row per run; its last column counts the findings.
fuzz_runs=$(awk 'found && NF == 7 {print $7} $1 == "run" && $2 == "executions" {found = 1}' "$fuzz_log")
if [[ -z $fuzz_runs ]]; then
  echo "test.sh: the fuzz targets did not run" >&2
  failed=$((failed + 1))
else
  passed=$((passed + $(grep -cx 0 <<<"$fuzz_runs")))
  failed=$((failed + $(grep -cvx 0 <<<"$fuzz_runs")))
  if ((fuzz_status != 0)) && ! grep -qvx 0 <<<"$fuzz_runs"; then
    failed=$((failed + 1))
  fi
fi
rm -f "$fuzz_log"

stage "done"
echo "total: $passed passed, $failed failed, $skipped skipped"
((failed == 0))
