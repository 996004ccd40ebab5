#!/usr/bin/env bash
# Measures the program's start-up beside a bare GTK window's
# (bench/BareWindow.cpp), taking turns, on a private X server without a
# window manager: exec to the background picture on screen (its brightest
# opaque pixel, which no empty window shows, read off the screen), and exec
# to the program's first map, against the bare window's exec to its first
# map. The program is the "online" test build, whose login page (the
# benchmarks' bench/login-page.html) loads from a loopback server meanwhile,
# as the portal's would for a player: the web engine starting beside the
# picture is part of the figure. The same bare window in a program that links the web
# engine shows what loading the engine at start costs on its own. The
# handheld's game mode (THARNVALE_GAME_MODE=1: one screen-sized window, the
# picture centred on a backdrop made from it) is measured the same way,
# taking turns with the desktop's two windows, each started through the same
# small wrapper that sets the variable. Prints table rows in the format of
# bench/run.sh (with a header unless given --rows-only). A missed goal is
# marked and still exits 0; anything that breaks exits non-zero.
#
#   STARTUP_BENCH_RUNS      starts of each, taking turns (15)
#   STARTUP_BENCH_PROGRAM   the program to measure, built with the online
#                           build's portal port (the online build)
set -euo pipefail
cd "$(dirname "$0")/.."
bench_name=startup-bench
source bench/common.sh

header=$(bench_header_wanted "$@")

program=${STARTUP_BENCH_PROGRAM:-$(bench_online_program)}
program=$(realpath "$program")
bare=$PWD/build/bench/bare-window
bare_webkit=$PWD/build/bench/bare-window-webkit
measure=$PWD/build/bench/startup-bench
if [[ ! -x $bare || ! -x $bare_webkit || ! -x $measure ]]; then
  bash tools/build.sh >&2
fi
port=$(python3 bench/webpage.py port build)
runs=${STARTUP_BENCH_RUNS:-15}
work=$bench_work

# The probe: the picture's brightest opaque pixel.
read -r probe_x probe_y probe_rgb < <(python3 - res/155-background.png <<'PY'
import subprocess, sys
raw = subprocess.run(["convert", sys.argv[1], "-depth", "8", "rgba:-"], check=True,
                     capture_output=True).stdout
best = max(range(0, len(raw), 4), key=lambda i: (raw[i + 3] == 255) * sum(raw[i:i + 3]))
print(best // 4 % 1334, best // 4 // 1334, "%02x%02x%02x" % tuple(raw[best:best + 3]))
PY
)

# Where that pixel stands in game mode's screen-sized window: the picture's
# visible part (its pixels with alpha) centred on the bench's 1920 x 1080
# screen.
read -r visible_x visible_y visible_w visible_h < <(convert res/155-background.png -alpha extract -trim \
  -format '%X %Y %w %h\n' info: | tr -d '+')
stage_x=$((probe_x + (1920 - visible_w) / 2 - visible_x))
stage_y=$((probe_y + (1080 - visible_h) / 2 - visible_y))
for mode in 0 1; do
  printf '#!/bin/sh\nTHARNVALE_GAME_MODE=%s exec "%s"\n' "$mode" "$program" >"$work/mode-$mode"
  chmod +x "$work/mode-$mode"
done

bench_start_xvfb
bench_serve_page "$port" bench/login-page.html "$work/requests.log" 900

# What the program keeps of its own (cookies, cache) stays in the work
# folder, as a returning player's stays in theirs.
mkdir "$work/run"
for folder in data cache config; do
  mkdir "$work/$folder"
done
(cd "$work/run" &&
  XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache XDG_CONFIG_HOME=$work/config \
    timeout 600 "$measure" "$runs" map "$bare" pixel "$probe_x" "$probe_y" "$probe_rgb" "$program" \
    map "$program" map "$bare_webkit" pixel "$probe_x" "$probe_y" "$probe_rgb" "$work/mode-0" \
    pixel "$stage_x" "$stage_y" "$probe_rgb" "$work/mode-1") >"$work/figures" &
bench_started $!
wait $!
{
  read -r bare_map bare_q1 bare_q3
  read -r picture picture_q1 picture_q3
  read -r ours_map _
  read -r bare_webkit_map _
  read -r desktop_shell _
  read -r game_mode _
} <"$work/figures"

awk -v header="$header" -v runs="$runs" -v bare="$bare_map" -v bare_q1="$bare_q1" -v bare_q3="$bare_q3" \
  -v picture="$picture" -v picture_q1="$picture_q1" -v picture_q3="$picture_q3" -v ours_map="$ours_map" \
  -v bare_webkit_map="$bare_webkit_map" -v desktop_shell="$desktop_shell" -v game_mode="$game_mode" \
  "$bench_row_awk"'
  BEGIN {
    if (header) heading()
    row("start-up to picture on screen, median of " runs, sprintf("%.3f s", picture),
      sprintf("%.3f s bare window", bare), ratio(picture, bare), "ratio <= 1.3", picture / bare <= 1.3)
    row("  quartiles, ours and the bare window'"'"'s", sprintf("%.0f-%.0f ms", picture_q1 * 1000, picture_q3 * 1000),
      sprintf("%.0f-%.0f ms", bare_q1 * 1000, bare_q3 * 1000), "-", "(how noisy)", "")
    seconds("  exec to first map alone", ours_map, bare, "bare window")
    seconds("the bare window linking the web engine, first map", bare_webkit_map, bare, "bare window")
    row("game mode: start-up to picture on screen", sprintf("%.3f s", game_mode),
      sprintf("%.3f s desktop windows", desktop_shell), ratio(game_mode, desktop_shell), "ratio <= 1.1",
      game_mode / desktop_shell <= 1.1)
  }'
