#!/usr/bin/env bash
# The player's whole path, walked by itself on the (virtual) screen in
# $DISPLAY, for tools/demo.sh: the login page shows, 登录 is clicked, the
# download window shows while the game launcher arrives, the demo game
# launcher starts and shows what it was given, and the login launcher ends
# with code 16. A Windows game launcher is started through Wine: on its first
# start the program makes its Wine prefix, and shows that it does. Each step
# is printed with its time and kept as a screenshot.
#   demo-journey.sh <program> <screenshot folder>
set -euo pipefail
program=$1
shots=$2
mkdir -p "$shots"
rm -f "$shots"/*.png

start=$(date +%s%N)
step=0
# Prints a step with the seconds since the start and keeps a screenshot.
record() {
  step=$((step + 1))
  local name ms
  name=$(printf '%02d-%s.png' "$step" "$1")
  ms=$((($(date +%s%N) - start) / 1000000))
  import -window root "$shots/$name"
  printf '%3d.%02d s  %s  (%s)\n' $((ms / 1000)) $((ms % 1000 / 10)) "$2" "$shots/$name"
}
fail() {
  record failed "$1"
  echo "demo: $1" >&2
  exit 1
}
# Waits up to $1 seconds for the command that follows to succeed.
wait_for() {
  local limit=$1
  shift
  local until=$((SECONDS + limit))
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < until)) || return 1
    sleep 0.1
  done
}
window_named() { xdotool search --onlyvisible --name "$1"; }
window_gone() { ! window_named "$1"; }
# The stand-in page's 登录 button, in the main window's own pixels.
button_x=874
button_y=446
button_shown() {
  local geometry x y
  geometry=$(xdotool search --onlyvisible --name '^Tharnvale$' getwindowgeometry --shell | head -3)
  x=$(sed -n 's/^X=//p' <<<"$geometry")
  y=$(sed -n 's/^Y=//p' <<<"$geometry")
  local rgb
  rgb=$(convert x:root -crop "1x1+$((x + button_x))+$((y + button_y))" -depth 8 txt:- | grep -o '#[0-9A-F]\{6\}')
  # The button's gold: far more red than blue.
  (( 16#${rgb:1:2} > 16#${rgb:5:2} + 80 )) || return 1
  click_at="$((x + button_x)) $((y + button_y))"
}

"$program" &
launcher=$!
wait_for 30 window_named '^Tharnvale$' || fail "the launcher's window did not show"
record window "the launcher's window shows"
wait_for 30 button_shown || fail "the login page did not show"
record page "the login page shows in it"

# shellcheck disable=SC2086  # two numbers
xdotool mousemove $click_at click 1
record click "登录 is clicked: the page hands the login back"
wait_for 10 window_named '^正在下载游戏启动器$' || fail "the download window did not show"
sleep 0.5
record download "the game launcher is missing, so it is downloaded"
# Either the game launcher starts, or, for a Windows one, Wine's prefix is
# made first.
preparing='^正在准备游戏运行环境'
game_or_preparing() { window_named 'Tharnvale game launcher' || window_named "$preparing"; }
wait_for 30 game_or_preparing || fail "neither the game launcher started nor Wine was prepared"
if ! window_named 'Tharnvale game launcher' >/dev/null 2>&1; then
  sleep 0.5
  record preparing "the game launcher is a Windows program: Wine's prefix is made for it first"
  # That takes 15 to 20 s on two idle cores; far longer on a busy machine.
  wait_for 300 window_gone "$preparing" || fail "Wine's prefix was not made in 5 minutes"
fi
wait_for 60 window_named 'Tharnvale game launcher' || fail "the game launcher did not start"
sleep 0.5
record game "the game launcher starts with the login's arguments"
code=0
wait "$launcher" || code=$?
record ended "the login launcher ended with code $code"
[[ $code -eq 16 ]] || exit 1
