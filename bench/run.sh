#!/usr/bin/env bash
# Builds, then measures the game hand-off beside references taken in the same
# run and prints them as a table:
#  - fetching a 200 MB game launcher from the loopback stand-in server under
#    the download window, against curl fetching the same address and syncing
#    the file, as ours does before it renames the file into place (and against
#    plain curl -o, for reference); again with the file signed and its
#    signature checked; and from a server that breaks the transfer off half
#    way, counting the bytes sent in all, against an unbroken fetch;
#  - the peak memory that fetch adds, for a 200 MB and a 20 MB launcher;
#  - the hand-off with the launcher present, against a bare posix_spawn of it;
#  - (bench/wine-bench.sh) the hand-off to a Windows launcher under Wine, to
#    its first instruction in a warm prefix, against `wine` starting it
#    directly, for a 32- and a 64-bit launcher; and making the prefix on first
#    use against `wine wineboot -i` alone;
#  - then (bench/startup-bench.sh) the start-up to the background picture on
#    screen, against a bare GTK window's start-up to its first map;
#    (bench/web-bench.sh) the login page's start-up and memory against
#    WebKitGTK's MiniBrowser; (bench/links-bench.sh) a login page holding
#    50,000 links against the same page without them and against MiniBrowser;
#    (bench/recovery-bench.py) the login page coming back after its process
#    died and after an outage, against a fresh start.
# Each of those scripts runs alone as well.
# A missed goal is marked in the table and still exits 0; anything that breaks
# exits non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."
bench_name=bench
source bench/common.sh
bash tools/build.sh >&2

port=${BENCH_PORT:-47131}
runs=3        # fetches of each kind, taking turns; the median counts
handoffs=200  # hand-offs and bare spawns, alternating; the median counts
work=$bench_work

head -c 200M /dev/urandom >"$work/launcher-200M"
head -c 20M /dev/urandom >"$work/launcher-20M"
bash tools/sign-launcher.sh key "$work/key.pem" >"$work/key.hex"
bash tools/sign-launcher.sh sign "$work/key.pem" "$work/launcher-200M" 2>/dev/null
signing_key=$(<"$work/key.hex")

# The download window shows on a private X server.
bench_start_xvfb

# The stand-in opens the launcher file for each request, so pointing this
# link elsewhere changes what it serves.
ln -s launcher-200M "$work/served"
origin=http://127.0.0.1:$port
rc=0
curl -s -o /dev/null --max-time 2 "$origin/" || rc=$?
if ((rc != 7)); then
  bench_fail "port $port is in use; set BENCH_PORT to a free one"
fi
build/tools/standin-server "$port" tools/standin/www "$work/served" 2>"$work/server.log" &
server=$!
bench_started $server
for _ in $(seq 50); do
  curl -s -o /dev/null --max-time 2 "$origin/url/weiduan.php?gn=halvoryne" && break
  sleep 0.1
done
if ! kill -0 "$server" 2>/dev/null; then
  cat "$work/server.log" >&2
  bench_fail "the stand-in server did not start"
fi

bench() { timeout 900 build/bench/handoff-bench-window "$@"; }
url=$origin/kestrani2/halvoryne_web/vuntek_qx_launch.exe
mkdir -p "$work/200M" "$work/20M" "$work/handoff"
out=$(bench download "$url" "$work/200M" "$runs")
read -r big_ours big_curl big_synced _ <<<"$out"
ln -s launcher-200M.sig "$work/served.sig"
out=$(bench download "$url" "$work/signed" "$runs" "$signing_key")
read -r signed_ours _ signed_synced _ <<<"$out"
# The download's own memory, without the window's: a 20 MB and a 200 MB
# launcher must cost the same.
read -r big_growth _ < <(build/bench/handoff-bench fetch "$url" "$work/200M/memory")
ln -sfn launcher-20M "$work/served"
read -r small_growth _ < <(build/bench/handoff-bench fetch "$url" "$work/20M/memory")
out=$(timeout 900 build/bench/handoff-bench handoff build/tests/fake-launcher "$work/handoff" "$handoffs")
read -r handoff_ours handoff_spawn <<<"$out"

# A content server that breaks every other transfer off half way: each of
# our fetches is broken once and resumed. The stand-in logs the bytes it sent.
ln -sfn launcher-200M "$work/served"
cut_port=$((port + 1))
build/tools/standin-server "$cut_port" tools/standin/www "$work/served" --cut-every-other 2>"$work/cut.log" &
cut_server=$!
bench_started $cut_server
for _ in $(seq 50); do
  curl -s -o /dev/null --max-time 2 "http://127.0.0.1:$cut_port/url/weiduan.php?gn=halvoryne" && break
  sleep 0.1
done
cut_seconds=$(bench ours "http://127.0.0.1:$cut_port/kestrani2/halvoryne_web/vuntek_qx_launch.exe" "$work/cut" "$runs")
kill "$cut_server"
wait "$cut_server" 2>/dev/null || true
uncut_seconds=$(bench ours "$url" "$work/uncut" "$runs")
cut_bytes=$(awk '/sent [0-9]+ bytes for \/kestrani2/ { sum += $3 } END { print sum + 0 }' "$work/cut.log")
file_bytes=$(stat -c %s "$work/launcher-200M")

awk -v runs="$runs" -v handoffs="$handoffs" \
  -v fetch="$big_ours" -v curl="$big_curl" -v synced="$big_synced" -v big="$big_growth" -v small="$small_growth" \
  -v handoff="$handoff_ours" -v spawn="$handoff_spawn" -v signed="$signed_ours" -v signed_synced="$signed_synced" \
  -v cut="$cut_seconds" -v uncut="$uncut_seconds" -v cut_bytes="$cut_bytes" -v file_bytes="$file_bytes" \
  -v fetches="$runs" "$bench_row_awk"'
  BEGIN {
    mb = 1048576
    heading()
    row("fetch 200 MB launcher, median of " runs, sprintf("%.3f s", fetch),
      sprintf("%.3f s curl+sync", synced), sprintf("%.2f", fetch / synced), "ratio <= 1.1",
      fetch / synced <= 1.1)
    row("  the same against plain curl -o", sprintf("%.3f s", fetch),
      sprintf("%.3f s curl", curl), sprintf("%.2f", fetch / curl), "(no sync: for reference)", "")
    row("fetch 200 MB signed, signature checked", sprintf("%.3f s", signed),
      sprintf("%.3f s curl+sync", signed_synced), sprintf("%.2f", signed / signed_synced), "ratio <= 1.1",
      signed / signed_synced <= 1.1)
    row("bytes sent per fetch broken off half way", sprintf("%.0f MB", cut_bytes / fetches / mb),
      sprintf("%.0f MB file", file_bytes / mb), sprintf("%.3f", cut_bytes / (fetches * file_bytes)),
      "ratio <= 1.05", cut_bytes <= 1.05 * fetches * file_bytes)
    row("  time of that fetch, one retry", sprintf("%.3f s", cut), sprintf("%.3f s unbroken", uncut),
      sprintf("%.2f", cut / uncut), "(for reference)", "")
    row("peak memory growth, 20 MB launcher", sprintf("%.1f MB", small / mb), "-", "-",
      "<= 16 MB", small <= 16 * mb)
    row("peak memory growth, 200 MB launcher", sprintf("%.1f MB", big / mb),
      sprintf("%.1f MB at 20 MB", small / mb), small > 0 ? sprintf("%.2f", big / small) : "-",
      "<= 16 MB, <= 20 MB'"'"'s + 1 MB", big <= 16 * mb && big <= small + mb)
    row("hand-off, launcher present, median of " handoffs, sprintf("%.3f ms", handoff * 1000),
      sprintf("%.3f ms posix_spawn", spawn * 1000), sprintf("%.2f", handoff / spawn),
      "ratio <= 5", handoff / spawn <= 5)
  }'

# The Windows launcher's start through Wine beside Wine's own, in prefixes
# of its own, on an X server of its own.
bash bench/wine-bench.sh --rows-only

# The picture's start-up beside a bare window's, and the embedded browser's
# start-up and memory beside WebKitGTK's MiniBrowser, each on an X server and
# a portal stand-in of its own.
bash bench/startup-bench.sh --rows-only
bash bench/web-bench.sh --rows-only

# A page with 50,000 links, whose clicks the program subscribes to, likewise.
bash bench/links-bench.sh --rows-only

# How fast the login page comes back after its process dies and after an
# outage, beside a fresh start of the program on the same page.
LAUNCHER_BUILD_DIR=$PWD/build python3 bench/recovery-bench.py --rows-only
