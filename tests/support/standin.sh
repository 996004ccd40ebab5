# Sourced by the shell tests that walk the player's path: their work folder,
# and the demo's stand-in portal and content server.

# Starts the stand-in and waits until it answers.
#   start_standin <build dir> <source dir> <port> <seconds to send the launcher> <log file>
# Sets `server` to its process id, for the caller's clean-up to kill.
start_standin() {
  local build=$1 source=$2 port=$3 slow=$4 log=$5
  "$build/tools/standin-server" "$port" "$source/tools/standin/www" "$build/tools/demo-game-launcher" \
    --slow "$slow" 2>"$log" &
  server=$!
  for _ in $(seq 50); do
    curl -s -o /dev/null "http://127.0.0.1:$port/url/weiduan.php?gn=halvoryne" && return 0
    sleep 0.1
  done
}

# Makes `work`, a fresh folder that is removed when the test exits, after the
# stand-in and the game launcher the walk started (at <launcher>, a path
# inside `work`) are stopped.
#   make_walk_folder <launcher path inside the folder>
make_walk_folder() {
  work=$(mktemp -d)
  walk_launcher=$work/$1
  server=
  trap walk_cleanup EXIT
}

walk_cleanup() {
  [[ -z $server ]] || kill "$server" 2>/dev/null || true
  pkill -f "$walk_launcher" 2>/dev/null || true
  rm -rf "$work"
}
