#!/usr/bin/env bash
# Measures starting a Windows game launcher through Wine (bench/WineBench.cpp)
# on a private X server, with the tests' Windows probe standing in for the
# launcher and every prefix in the work folder:
#  - the hand-off, from the moment it is asked for to the launcher's first
#    instruction, in a warm prefix (its Wine server running, as in a player's
#    second start), for a 32- and a 64-bit launcher, against `wine <probe>`
#    started directly in the same prefix with the same environment, taking
#    turns;
#  - the first run's making of the prefix, up to the moment the launcher's
#    start begins, against `wine wineboot -i` alone into another fresh
#    prefix with the same environment, taking turns.
# Prints table rows in the format of bench/run.sh (with a header unless given
# --rows-only). A missed goal is marked and still exits 0; anything that
# breaks exits non-zero, and so does a Wine program of its prefixes still
# running at the end. Each prefix is removed, and its server stopped, once it
# has served; whatever an interrupted run left is stopped on exit.
#
#   WINE_BENCH_STARTS    hand-offs and direct starts of each bitness (20)
#   WINE_BENCH_PREFIXES  prefixes made each way, about 1.3 GB and 10-20 s
#                        each; even, so that each way goes first as often (4)
set -euo pipefail
cd "$(dirname "$0")/.."
bench_name=wine-bench
source bench/common.sh

header=$(bench_header_wanted "$@")

measure=$PWD/build/bench/wine-bench
if [[ ! -x $measure || ! -f build/bench/wine-probe-32.exe || ! -f build/bench/wine-probe-64.exe ||
  ! -f build/start-in-wine-32.exe || ! -f build/start-in-wine-64.exe ]]; then
  bash tools/build.sh >&2
fi
runner=$(command -v wine) || bench_fail "no wine on PATH (tools/install-deps.sh installs it)"
wineserver=$(dirname "$runner")/wineserver
starts=${WINE_BENCH_STARTS:-20}
prefixes=${WINE_BENCH_PREFIXES:-4}
work=$bench_work
driver=

# The processes of ours whose environment names a prefix in the work folder:
# the Wine programs and servers of this run, and no one else's.
wine_bench_leftovers() {
  local pid variable
  for pid in $(ps -u "$(id -u)" -o pid=); do
    while IFS= read -r -d '' variable; do
      if [[ $variable == "WINEPREFIX=$work/"* ]]; then
        echo "$pid"
        break
      fi
    done 2>/dev/null <"/proc/$pid/environ" || true
  done
}

# The driver goes first, so that it starts nothing more; then each prefix's
# server, with every program in it; what outlives its server is killed.
wine_bench_cleanup() {
  if [[ -n $driver ]] && kill "$driver" 2>/dev/null; then
    wait "$driver" 2>/dev/null || true
  fi
  local prefix _
  for prefix in "$work"/warm/prefix "$work"/prefix/prefix-*; do
    if [[ -d $prefix ]]; then
      WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true
    fi
  done
  for _ in $(seq 100); do
    [[ -z $(wine_bench_leftovers) ]] && break
    sleep 0.1
  done
  local pids
  pids=$(wine_bench_leftovers)
  if [[ -n $pids ]]; then
    # shellcheck disable=SC2086
    kill -KILL $pids 2>/dev/null || true
  fi
  bench_cleanup
}
trap wine_bench_cleanup EXIT

bench_start_xvfb

# Nothing of the player's own Wine settings, and nothing written outside the
# work folder: Wine (as Debian builds it) keeps its servers' sockets, and
# leaves their lock files, under TMPDIR, and makes the prefix's user folders
# beside those under HOME.
unset WINEPREFIX WINEARCH WINELOADER WINESERVER WINEDEBUG WINEDLLOVERRIDES WINEDLLPATH
mkdir "$work/home" "$work/tmp"
export HOME=$work/home TMPDIR=$work/tmp XDG_DATA_HOME=$work/home/.local/share \
  XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache

timeout 900 "$measure" warm "$PWD/build" "$PWD/build/bench" "$work/warm" "$starts" \
  >"$work/warm.figures" &
driver=$!
wait "$driver"
timeout 1800 "$measure" prefix "$PWD/build" "$PWD/build/bench" "$work/prefix" "$prefixes" \
  >"$work/prefix.figures" &
driver=$!
wait "$driver"
driver=

{
  read -r _ ours32 ours32_q1 ours32_q3 wine32 wine32_q1 wine32_q3
  read -r _ ours64 ours64_q1 ours64_q3 wine64 wine64_q1 wine64_q3
} <"$work/warm.figures"
read -r made made_min made_max boot boot_min boot_max <"$work/prefix.figures"

left=$(wine_bench_leftovers)
if [[ -n $left ]]; then
  # shellcheck disable=SC2086
  ps -o pid=,args= -p $left >&2 || true
  bench_fail "Wine programs of the benchmark's prefixes were left running"
fi

awk -v header="$header" -v starts="$starts" -v prefixes="$prefixes" \
  -v ours32="$ours32" -v ours32_q1="$ours32_q1" -v ours32_q3="$ours32_q3" \
  -v wine32="$wine32" -v wine32_q1="$wine32_q1" -v wine32_q3="$wine32_q3" \
  -v ours64="$ours64" -v ours64_q1="$ours64_q1" -v ours64_q3="$ours64_q3" \
  -v wine64="$wine64" -v wine64_q1="$wine64_q1" -v wine64_q3="$wine64_q3" \
  -v made="$made" -v made_min="$made_min" -v made_max="$made_max" \
  -v boot="$boot" -v boot_min="$boot_min" -v boot_max="$boot_max" \
  "$bench_row_awk"'
  function ms(s) { return sprintf("%.1f ms", s * 1000) }
  function handoff(bits, ours, ours_q1, ours_q3, direct, direct_q1, direct_q3) {
    row("Wine hand-off, " bits "-bit, warm, median of " starts, ms(ours), ms(direct) " wine probe",
      ratio(ours, direct), "ratio <= 1.2", ours / direct <= 1.2)
    row("  quartiles, ours and wine'"'"'s", sprintf("%.0f-%.0f ms", ours_q1 * 1000, ours_q3 * 1000),
      sprintf("%.0f-%.0f ms", direct_q1 * 1000, direct_q3 * 1000), "-", "(how noisy)", "")
  }
  BEGIN {
    if (header) heading()
    handoff(32, ours32, ours32_q1, ours32_q3, wine32, wine32_q1, wine32_q3)
    handoff(64, ours64, ours64_q1, ours64_q3, wine64, wine64_q1, wine64_q3)
    row("Wine prefix made on first use, median of " prefixes, sprintf("%.2f s", made),
      sprintf("%.2f s wineboot -i", boot), ratio(made, boot), "ratio <= 1.1", made / boot <= 1.1)
    row("  fastest-slowest, ours and wineboot'"'"'s", sprintf("%.1f-%.1f s", made_min, made_max),
      sprintf("%.1f-%.1f s", boot_min, boot_max), "-", "(how noisy)", "")
  }'
