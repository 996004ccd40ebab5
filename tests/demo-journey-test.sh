#!/usr/bin/env bash
# The demo's walk through the player's path, as a test: the default build of
# the program, copied into a folder of its own, against the stand-in on the
# port that build looks at.
#   demo-journey-test.sh <build dir> <source dir> <port>
set -euo pipefail
# shellcheck source=support/standin.sh
source "$(dirname "$0")/support/standin.sh"
build=$1
source=$2
port=$3
make_walk_folder vuntek_qx_launch.exe data/tharnvale-login-launcher/wine

# The program with the helpers it starts a Windows game launcher with.
cp "$build/login-launcher" "$build"/start-in-wine-{32,64}.exe "$work/"
start_standin "$build" "$source" "$port" 2 "$work/standin.log"
cd "$work"
# The player's data (the page's cookies, and the Wine prefix a Windows game
# launcher is started in) goes to the work folder, never to the real
# player's.
export XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" bash -c '
  openbox 2>/dev/null & wm=$!
  sleep 0.5
  bash "$0" "$1" "$2" && code=0 || code=$?
  kill $wm
  exit $code' "$source/tools/demo-journey.sh" "$work/login-launcher" "$build/demo-test"
