#!/usr/bin/env bash
# Installs, builds and runs the launcher against the local stand-in of the
# portal and the content server. The game launcher is not next to the program
# at first, so the launcher fetches it from the stand-in as it would for a
# new player.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh

port=47110
# Where Wine is installed, the game launcher is a Windows program, as the
# real one is, and the launcher starts it through Wine; elsewhere it is a
# native one.
game_launcher=build/tools/demo-game-launcher
if command -v wine >/dev/null; then
  game_launcher=build/tools/demo-game-launcher-windows.exe
fi
# The game launcher takes two seconds to arrive, as over a real network, so
# that its download window shows.
build/tools/standin-server "$port" tools/standin/www "$game_launcher" --slow 2 &
server=$!
wineprefix=
cleanup() {
  kill $server 2>/dev/null || true
  [[ -z $wineprefix ]] || bash tools/stop-wine-prefix.sh "$wineprefix"
}
trap cleanup EXIT
for _ in $(seq 50); do
  curl -s -o /dev/null "http://127.0.0.1:$port/url/weiduan.php?gn=halvoryne" && break
  sleep 0.1
done

# The demo's own copy of the game launcher, fetched by an earlier demo run.
rm -f build/vuntek_qx_launch.exe

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  # On the player's own desktop, X11 or Wayland.
  build/login-launcher && code=0 || code=$?
  echo "login-launcher exited with code $code"
else
  # No desktop: the player's path walks itself on a virtual screen with a
  # window manager, step by step, with a screenshot of each.
  echo "no DISPLAY or WAYLAND_DISPLAY: walking the player's path on a virtual screen"
  # The walk's Wine prefix is its own, made afresh (so that its making shows)
  # and ended with the demo, never the player's.
  wineprefix=$PWD/build/demo-wine
  bash tools/stop-wine-prefix.sh "$wineprefix"
  export THARNVALE_WINEPREFIX=$wineprefix
  xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" bash -c '
    openbox 2>/dev/null & wm=$!
    sleep 0.5
    bash tools/demo-journey.sh build/login-launcher build/demo && code=0 || code=$?
    kill $wm
    exit $code'
  echo "the screenshots are in build/demo/"
fi
