#!/usr/bin/env bash
# The program where the player cannot write, as a package installs it, taken
# through the player's whole path (tools/demo-journey.sh) against the
# stand-in: the game launcher must be fetched into, and started from, the
# player's game folder, log.txt must be there and the player's alone, and
# nothing may be written beside the program or where it was started.
#   read-only-run-test.sh <build dir> <source dir> <port> <program folder>
# The program folder holds login-launcher; it is made read-only in a mount
# namespace of the test's own.
set -euo pipefail
# shellcheck source=support/standin.sh
source "$(dirname "$0")/support/standin.sh"
build=$1
source=$2
port=$3
install=$4
if ! unshare --mount true 2>/dev/null; then
  echo "read-only-run-test: SKIPPING: no mount namespace here to make the program's folder read-only"
  exit 0
fi
make_walk_folder data/tharnvale-login-launcher/game/vuntek_qx_launch.exe data/tharnvale-login-launcher/wine
mkdir -p "$work/started-in"
before=$(ls -A "$install")

start_standin "$build" "$source" "$port" 1 "$work/standin.log"

cd "$work/started-in"
export XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" bash -c '
  openbox 2>/dev/null & wm=$!
  sleep 0.5
  unshare --mount --propagation private sh -c "
    mount --bind \"\$2\" \"\$2\" && mount -o remount,bind,ro \"\$2\" && exec bash \"\$0\" \"\$2/login-launcher\" \"\$1\"" \
    "$0" "$1" "$2" && code=0 || code=$?
  kill $wm
  exit $code' "$source/tools/demo-journey.sh" "$build/read-only-run" "$install"

fail() {
  echo "read-only-run-test: $*" >&2
  exit 1
}
game=$work/data/tharnvale-login-launcher/game
[[ -x $game/vuntek_qx_launch.exe ]] || fail "the game launcher is not in the player's game folder"
[[ $(stat -c %a "$game") == 700 ]] || fail "the player's game folder is $(stat -c %a "$game"), not 700"
[[ -f $game/log.txt ]] || fail "log.txt is not in the player's game folder"
[[ $(stat -c %a "$game/log.txt") == 600 ]] || fail "log.txt is $(stat -c %a "$game/log.txt"), not 600"
[[ -z $(ls -A "$work/started-in") ]] || fail "written where the program was started: $(ls -A "$work/started-in")"
[[ $(ls -A "$install") == "$before" ]] || fail "written beside the program: $(ls -A "$install")"
echo "read-only-run-test: the launcher was fetched into and started from $game; log.txt is there, 0600"
