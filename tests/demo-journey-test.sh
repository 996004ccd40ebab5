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
make_walk_folder vuntek_qx_launch.exe

cp "$build/login-launcher" "$work/"
start_standin "$build" "$source" "$port" 2 "$work/standin.log"
cd "$work"
xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" bash -c '
  openbox 2>/dev/null & wm=$!
  sleep 0.5
  bash "$0" "$1" "$2" && code=0 || code=$?
  kill $wm
  exit $code' "$source/tools/demo-journey.sh" "$work/login-launcher" "$build/demo-test"
