#!/usr/bin/env bash
# Ends a throwaway Wine prefix that a walk through the player's path made:
# stops its Wine server with every Windows program of it (the demo game
# launcher, Wine's own services), then removes the prefix and the folder
# where its server kept its socket, which Wine leaves behind. Programs of
# other prefixes are not touched.
#   stop-wine-prefix.sh <prefix>
set -euo pipefail
prefix=$1
[[ -d $prefix ]] || exit 0

# Every process of the prefix has it in its environment, as the program and
# Wine hand it down.
prefix_processes() {
  local entry
  for entry in /proc/[0-9]*; do
    if tr '\0' '\n' 2>/dev/null <"$entry/environ" | grep -qxF "WINEPREFIX=$prefix"; then
      echo "${entry#/proc/}"
    fi
  done
}

# Asked of a prefix without a running server, wineserver would start making
# one; so it is asked only while the prefix's programs run.
if [[ -n $(prefix_processes) ]]; then
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  # The server ends its programs as it goes; any it could not reach (one
  # that lost its connection waits for ever) are killed after a while.
  for _ in $(seq 100); do
    [[ -n $(prefix_processes) ]] || break
    sleep 0.1
  done
  for pid in $(prefix_processes); do
    kill -KILL "$pid" 2>/dev/null || true
  done
fi

# Debian's Wine keeps the server's socket in a folder of its own under the
# temporary folder and names it in the prefix's file "wineserver"; upstream
# Wine keeps it in /tmp/.wine-<uid>/server-<device>-<inode of the prefix>.
server=$(printf 'server-%x-%x' "$(stat -c %d "$prefix")" "$(stat -c %i "$prefix")")
if [[ -f $prefix/wineserver ]]; then
  name=$(<"$prefix/wineserver")
  if [[ -n $name && $name != */* && $name != .* ]]; then
    rm -rf "${TMPDIR:-/tmp}/$name"
  fi
else
  rm -rf "/tmp/.wine-$(id -u)/$server"
fi
rm -rf "$prefix"
