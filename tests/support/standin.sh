# Sourced by the shell tests that walk the player's path: starts the demo's
# stand-in portal and content server and waits until it answers.
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
