# Sourced by the shell tests that walk the player's path: their work folder,
# and the demo's stand-in portal and content server.

# Resolved now: the tests change folder before their clean-up runs.
walk_tools=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../tools" && pwd)

# Starts the stand-in and waits until it answers. It offers the Windows
# build of the demo game launcher where Wine is installed, as the demo does,
# so that the walk starts it through Wine; the native one elsewhere.
#   start_standin <build dir> <source dir> <port> <seconds to send the launcher> <log file>
# Sets `server` to its process id, for the caller's clean-up to kill.
start_standin() {
  local build=$1 source=$2 port=$3 slow=$4 log=$5
  local game_launcher=$build/tools/demo-game-launcher
  if command -v wine >/dev/null; then
    game_launcher=$build/tools/demo-game-launcher-windows.exe
  fi
  "$build/tools/standin-server" "$port" "$source/tools/standin/www" "$game_launcher" \
    --slow "$slow" 2>"$log" &
  server=$!
  for _ in $(seq 50); do
    curl -s -o /dev/null "http://127.0.0.1:$port/url/weiduan.php?gn=halvoryne" && return 0
    sleep 0.1
  done
}

# Makes `work`, a fresh folder that is removed when the test exits, after the
# stand-in and the game launcher the walk started (at <launcher>, a path
# inside `work`) are stopped. The Wine prefix the program makes for a Windows
# game launcher (at <prefix>, inside `work` too: the test points the
# program's data folder there) is ended then as well, with every Windows
# program running in it.
#   make_walk_folder <launcher path inside the folder> <Wine prefix path inside the folder>
make_walk_folder() {
  work=$(mktemp -d)
  walk_launcher=$work/$1
  walk_wineprefix=$work/$2
  server=
  # A prefix the player chose for their own games is not the walk's.
  unset THARNVALE_WINEPREFIX
  trap walk_cleanup EXIT
}

walk_cleanup() {
  [[ -z $server ]] || kill "$server" 2>/dev/null || true
  pkill -f "$walk_launcher" 2>/dev/null || true
  bash "$walk_tools/stop-wine-prefix.sh" "$walk_wineprefix" || true
  rm -rf "$work"
}
