#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and fuzzes them one
# after another, each for the given time (default 60 s). The targets that turn
# text into narrow text run once under UTF-8 and once more under GB18030.
#
#   bash tools/fuzz.sh [seconds] [libFuzzer options...]
#
# Each run starts from its seed inputs (tests/fuzz/corpus/<target>/) and the
# inputs earlier runs kept (build-fuzz/corpus/<run>/); what it finds goes to
# build-fuzz/findings/<run>/, its log to build-fuzz/logs/<run>.log (FUZZ_OUT
# names another folder than build-fuzz/ for these three). Seconds of 0 mean
# no time limit, for runs bounded by options instead (e.g. 0 -runs=10000000).
# FUZZ_ONLY, a pattern, keeps only the runs whose names it matches. Options
# such as -fork=2 spread one run over several processes. A table at the end
# gives each run's executions, coverage and findings; the exit status is
# non-zero when any run found something.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
out=${FUZZ_OUT:-build-fuzz}

bash tools/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DLAUNCHER_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$(nproc)" >/dev/null

# run name, target, locale
runs=(
  "login_payload login_payload en_US.UTF-8"
  "login_payload.gb18030 login_payload zh_CN.GB18030"
  "callback_address callback_address en_US.UTF-8"
  "callback_address.gb18030 callback_address zh_CN.GB18030"
  "external_bridge external_bridge en_US.UTF-8"
  "command_line command_line en_US.UTF-8"
  "text_codec text_codec en_US.UTF-8"
  "text_codec.gb18030 text_codec zh_CN.GB18030"
)

# A finding ends a run at once, and every finding fails it. While fuzzing,
# allocations record no stack: the system libraries have no frame pointers,
# so the fast unwinder would record a new bogus stack through them on every
# run and the sanitizer's stack store would grow without end. Each finding is
# run once more afterwards with whole stacks.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:malloc_context_size=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

table=()
found=0
for entry in "${runs[@]}"; do
  read -r run target locale <<<"$entry"
  [[ $run =~ ${FUZZ_ONLY:-.} ]] || continue
  corpus=$out/corpus/$run
  findings=$out/findings/$run
  log=$out/logs/$run.log
  rm -rf "$findings" "$log.stacks"
  mkdir -p "$corpus" "$findings" "$(dirname "$log")"
  dict=()
  [[ -f tests/fuzz/dict/$target.dict ]] && dict=(-dict="tests/fuzz/dict/$target.dict")
  echo "fuzz: $run ($locale) for ${seconds} s" >&2
  status=0
  LC_ALL=$locale "build-fuzz/${target}_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$findings/" "${dict[@]}" "$@" \
    "$corpus" "tests/fuzz/corpus/$target" >"$log" 2>&1 || status=$?

  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  time=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  if [[ -z $execs ]]; then
    # Several processes (-fork=N): the parent reports the sums.
    execs=$(sed -n 's/^#\([0-9]*\): cov:.*/\1/p' "$log" | tail -1)
    time=$(sed -n 's/^INFO: exiting: [0-9]* time: \([0-9]*\)s.*/\1/p' "$log" | tail -1)
    [[ -n $execs && -n $time && $time != 0 ]] && rate=$((execs / time))
  fi
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  files=$(find "$findings" -type f | sort)
  count=$(grep -c . <<<"$files" || true)
  if ((status != 0 && count == 0)); then
    count=1  # it ended badly without leaving an input behind
    files="(no input saved; see $log)"
  fi
  if ((count != 0)); then
    found=1
    echo "fuzz: $run found something, see $log:" >&2
    echo "$files" | sed 's/^/  /' >&2
    grep -m3 -E '^(fuzz: |==[0-9]+==ERROR|SUMMARY)' "$log" | sed 's/^/  /' >&2 || true
    while read -r file; do
      [[ -f $file ]] || continue
      echo "  reproduce: LC_ALL=$locale build-fuzz/${target}_fuzz $file" >&2
      ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0 LC_ALL=$locale \
        "build-fuzz/${target}_fuzz" "$file" >>"$log.stacks" 2>&1 || true
    done <<<"$files"
    [[ -f $log.stacks ]] && echo "  whole stacks: $log.stacks" >&2
  fi
  table+=("$(printf '%-26s %10s %6s %8s %6s %6s %8s' "$run" "${execs:-?}" "${time:-?}" \
    "${rate:-?}" "${cov:-?}" "${ft:-?}" "$count")")
done

printf '%-26s %10s %6s %8s %6s %6s %8s\n' run executions secs exec/s cov ft findings
printf '%s\n' "${table[@]}"
exit "$found"
