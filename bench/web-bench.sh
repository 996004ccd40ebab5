#!/usr/bin/env bash
# Measures the embedded browser's start-up and memory beside WebKitGTK's own
# MiniBrowser opening the same page, in the same run, on the same private X
# server, each run starting from empty data and cache folders:
#  - exec to the login page's `load` event, seen as a beacon request the page
#    sends to the loopback server (the server notes its monotonic arrival time,
#    so neither program's own reporting is trusted);
#  - the summed PSS of the program and all its descendants (the WebKit web and
#    network processes) 2 s after that beacon.
# The program is the "online" test build, whose portal address is this
# script's loopback server. Prints table rows in the format of bench/run.sh
# (with a header unless given --rows-only). A missed goal is marked and still
# exits 0; anything that breaks exits non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."

header=1
if [[ ${1:-} == --rows-only ]]; then
  header=0
fi

program=build/tests/online/login-launcher
if [[ ! -x $program ]]; then
  bash tools/build.sh >&2
fi
minibrowser=$(python3 bench/webpage.py minibrowser)
if [[ ! -x $minibrowser ]]; then
  echo "web-bench: no MiniBrowser at $minibrowser" >&2
  exit 1
fi

# The port is compiled into the online build.
port=$(python3 bench/webpage.py port build)
runs=${WEB_BENCH_RUNS:-11}               # starts per program, taking turns; the median counts
memory_runs=${WEB_BENCH_MEMORY_RUNS:-5}  # of which the first ones also read the memory
if ((runs < 1 || memory_runs < 1 || memory_runs > runs)); then
  echo "web-bench: need 1 <= WEB_BENCH_MEMORY_RUNS <= WEB_BENCH_RUNS" >&2
  exit 1
fi

# Every request stays on the loopback interface, whatever proxy is configured.
unset http_proxy https_proxy all_proxy HTTP_PROXY HTTPS_PROXY ALL_PROXY
export no_proxy=127.0.0.1 NO_PROXY=127.0.0.1

work=$(mktemp -d)
server=
xvfb=
driver=
cleanup() {
  for pid in $driver $server $xvfb; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The portal stand-in: a login-like page that fits the login window without a
# scroll bar (a scroll bar makes WebKitGTK redraw all the time under Xvfb,
# which would inflate both programs' figures), and whose load event asks for
# /beacon. The arrival of each request is appended to a log with its
# CLOCK_MONOTONIC time, which the driver below reads.
mkdir "$work/www"
cat >"$work/www/login.html" <<'HTML'
<!doctype html>
<html>
<head>
<meta charset="utf-8">
<title>Tharnvale login</title>
<style>
  html, body { margin: 0; overflow: hidden; }
  body { width: 631px; height: 446px; font: 14px sans-serif; color: #eee;
         background: linear-gradient(#233, #122); }
  form { position: absolute; left: 165px; top: 110px; width: 300px; }
  h1 { font-size: 20px; margin: 0 0 16px; }
  label { display: block; margin: 8px 0 4px; }
  input { width: 100%; box-sizing: border-box; padding: 6px; }
  button { margin-top: 16px; width: 100%; padding: 8px; }
</style>
</head>
<body>
<form action="/url/login.php" method="post">
  <h1>登录 Tharnvale</h1>
  <label for="user">账号</label><input id="user" name="user" autocomplete="off">
  <label for="pass">密码</label><input id="pass" name="pass" type="password">
  <button type="submit">登录</button>
</form>
<script>
  addEventListener('load', function () { new Image().src = '/beacon?t=' + Date.now(); });
</script>
</body>
</html>
HTML

# Runs both programs in turns, each in its own session so that the whole tree
# (the program and its WebKit processes) can be killed at once; waits for the
# beacon, in the first runs reads the tree's memory 2 s later, then kills the
# tree. Runs that skip the memory keep the whole benchmark short enough for
# more starts, whose times vary a lot more than the memory does.
cat >"$work/driver.py" <<'PY'
import os, signal, statistics, sys, tempfile, time

sys.path.insert(0, sys.argv[8])
import webpage
from webpage import Browser, RequestLog, fail, role, tree
webpage.name = "web-bench"

work, log_path, runs, memory_runs = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
programs = {"ours": [sys.argv[5]], "mini": [sys.argv[6], sys.argv[7]]}
settle_ns = 2_000_000_000
wait_s = 60
requests = RequestLog(log_path)

# Stopped from outside (the script's timeout or cleanup): still kill the tree
# being measured, which leaving its `with` does.
signal.signal(signal.SIGTERM, lambda *_: fail("stopped"))

# PSS, and the private pages alone: PSS also depends on which other programs
# of the machine map the same libraries at that moment, private pages do not.
def memory_kb(pid):
    with open("/proc/%d/smaps_rollup" % pid) as f:
        fields = {}
        for line in f:
            words = line.split()
            if len(words) >= 2 and words[0].endswith(":"):
                fields[words[0]] = words[1]
    return int(fields["Pss:"]), int(fields["Private_Clean:"]) + int(fields["Private_Dirty:"])

# Caches of the system's libraries, which any installed program finds warm,
# live outside the per-run folders: with them fresh, MiniBrowser (which starts
# GStreamer) would rescan every plugin and recompile its compositing shaders
# on each start, a first-start cost that a player never pays twice.
shared = os.path.join(work, "system-caches")
os.mkdir(shared)
system_caches = {"GST_REGISTRY": os.path.join(shared, "gstreamer-registry.bin"),
                 "MESA_SHADER_CACHE_DIR": os.path.join(shared, "mesa")}

def measure(name, read_memory):
    base = tempfile.mkdtemp(prefix=name + "-", dir=work)
    env = dict(os.environ, **system_caches)
    # Everything either program keeps of its own (site data, cookies, HTTP
    # cache, icons) starts empty on every run.
    for var in ("XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"):
        env[var] = os.path.join(base, var.lower())
        os.mkdir(env[var])
    cwd = os.path.join(base, "cwd")
    os.mkdir(cwd)
    with open(os.path.join(base, "stderr"), "wb") as err, \
            Browser(programs[name], cwd, env, err) as browser:
        beacon = requests.next_beacon(browser.started, time.monotonic() + wait_s)
        if beacon is None:
            err.flush()
            tail = open(os.path.join(base, "stderr"), errors="replace").read()[-2000:]
            fail("%s sent no beacon within %d s (exit %s):\n%s" % (name, wait_s, browser.process.poll(), tail))
        seconds = (beacon - browser.started) / 1e9
        if not read_memory:
            return seconds, None
        time.sleep(max(0, beacon + settle_ns - time.monotonic_ns()) / 1e9)
        if browser.process.poll() is not None:
            fail("%s exited (%d) before its memory was read" % (name, browser.process.returncode))
        parts = {"ui": 0, "web": 0, "network": 0, "other": 0}
        private = 0
        pids = tree(browser.pid)
        for pid in pids:
            try:
                pss, own = memory_kb(pid)
                parts[role(pid, browser.pid)] += pss
                private += own
            except (OSError, KeyError):
                pass  # gone meanwhile: it holds no memory any more
        return seconds, (sum(parts.values()) * 1024, parts, len(pids), private * 1024)

# One unmeasured start each, so that neither pays alone for a cold file cache,
# and the system caches above are filled.
measure("ours", False)
measure("mini", False)
times = {"ours": [], "mini": []}
memory = {"ours": [], "mini": []}
for turn in range(runs):
    order = ("ours", "mini") if turn % 2 == 0 else ("mini", "ours")
    for name in order:
        seconds, read = measure(name, turn < memory_runs)
        times[name].append(seconds)
        if read is not None:
            memory[name].append(read)
        if os.environ.get("WEB_BENCH_VERBOSE"):
            print("web-bench: %-4s %.3f s" % (name, seconds) + ("" if read is None else
                  "  PSS %.1f MB in %d processes %s" % (read[0] / 1048576, read[2],
                  {k: round(v / 1024, 1) for k, v in read[1].items() if v})), file=sys.stderr)

def median(name, pick):
    return statistics.median(pick(r) for r in memory[name])

out = [statistics.median(times[n]) for n in ("ours", "mini")]
out += [median(n, lambda r: r[0]) for n in ("ours", "mini")]
out += [median(n, lambda r: r[3]) for n in ("ours", "mini")]
for part in ("ui", "web", "network"):
    out += [median(n, lambda r: r[1][part] * 1024) for n in ("ours", "mini")]
print(" ".join("%.6f" % v for v in out))
PY

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
  [[ -s $work/display ]] && break
  sleep 0.05
done
if [[ ! -s $work/display ]]; then
  echo "web-bench: Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=:$(<"$work/display")

: >"$work/requests.log"
coproc SERVER { exec python3 bench/webpage.py serve "$port" "$work/www/login.html" "$work/requests.log" 900 2>"$work/server.log"; }
server=$SERVER_PID
ready=
read -r -t 90 ready <&"${SERVER[0]}" || true
if [[ $ready != ready ]]; then
  echo "web-bench: the loopback server did not start on port $port:" >&2
  cat "$work/server.log" >&2
  exit 1
fi

# In the background, so that the cleanup can stop it (it then kills the tree
# it is measuring).
timeout 600 python3 "$work/driver.py" "$work" "$work/requests.log" "$runs" "$memory_runs" \
  "$PWD/$program" "$minibrowser" "http://127.0.0.1:$port/url/weiduan.php?gn=halvoryne" "$PWD/bench" \
  >"$work/figures" &
driver=$!
wait "$driver"
driver=
out=$(<"$work/figures")
read -r ours mini ours_pss mini_pss ours_private mini_private ours_ui mini_ui ours_web mini_web ours_net mini_net <<<"$out"

awk -v header="$header" -v runs="$runs" -v memory_runs="$memory_runs" -v ours="$ours" -v mini="$mini" \
  -v ours_pss="$ours_pss" -v mini_pss="$mini_pss" -v ours_private="$ours_private" \
  -v mini_private="$mini_private" -v ours_ui="$ours_ui" -v mini_ui="$mini_ui" \
  -v ours_web="$ours_web" -v mini_web="$mini_web" -v ours_net="$ours_net" -v mini_net="$mini_net" '
  function row(figure, ours, reference, ratio, goal, met) {
    printf "%-42s %-10s %-22s %-6s %-28s %s\n", figure, ours, reference, ratio, goal,
      met == "" ? "" : met ? "ok" : "MISSED"
  }
  function part(figure, o, m) {
    row(figure, sprintf("%.1f MB", o / mb), sprintf("%.1f MB MiniBrowser", m / mb),
      m > 0 ? sprintf("%.2f", o / m) : "-", "(for reference)", "")
  }
  BEGIN {
    mb = 1048576
    if (header) row("figure", "ours", "reference", "ratio", "goal", "")
    row("exec to login page loaded, median of " runs, sprintf("%.3f s", ours),
      sprintf("%.3f s MiniBrowser", mini), sprintf("%.2f", ours / mini), "ratio <= 0.9",
      ours / mini <= 0.9)
    row("PSS of process tree 2 s later, median of " memory_runs, sprintf("%.1f MB", ours_pss / mb),
      sprintf("%.1f MB MiniBrowser", mini_pss / mb), sprintf("%.2f", ours_pss / mini_pss),
      "ratio <= 0.8", ours_pss / mini_pss <= 0.8)
    part("  private pages alone (USS)", ours_private, mini_private)
    part("  PSS of the program'"'"'s own process", ours_ui, mini_ui)
    part("  PSS of its web process", ours_web, mini_web)
    part("  PSS of its network process", ours_net, mini_net)
  }'
