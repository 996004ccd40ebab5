#!/usr/bin/env bash
# Measures a login page holding 50,000 links, each with a target of its own
# (the program subscribes to the clicks of every one), on a private X server
# and a loopback portal stand-in, each run starting from empty data and cache
# folders. Both the program and WebKitGTK's MiniBrowser open that page and the
# same page with the links turned into plain text (the same 50,000 words in
# spans), taking turns:
#  - exec to the page's `load` event, seen as a beacon request that arrives at
#    the loopback server (the median, the fastest and the slowest start, and
#    how many starts took over 5 s);
#  - the CPU time the browser's own process uses from the load until it falls
#    idle (under 20 ms of CPU in 1.5 s), and how long after the load that
#    was: after the load, the program reads the links' targets and subscribes
#    to their clicks, and that work is all in these figures beside the page
#    without links;
#  - the CPU time of the web process by then (where the subscriptions run);
#  - the resident memory of the browser's own process by then.
# The program is the "online" test build, whose portal address is this
# script's loopback server. Prints table rows in the format of bench/run.sh
# (with a header unless given --rows-only). No goals: the figures are for
# reference. Anything that breaks exits non-zero.
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
  echo "links-bench: no MiniBrowser at $minibrowser" >&2
  exit 1
fi

# The port is compiled into the online build.
port=$(python3 bench/webpage.py port build)
runs=${LINKS_BENCH_RUNS:-5}  # starts of each browser on each page, taking turns; the median counts
links=50000

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

# The two pages: the 50,000 words as links, or as plain spans. Both fit the
# login window and hide what overflows, so that no scroll bar shows in
# MiniBrowser either (a scroll bar makes WebKitGTK redraw all the time under
# Xvfb).
mkdir "$work/www"
python3 - "$work/www" "$links" <<'PY'
import os, sys

folder, count = sys.argv[1], int(sys.argv[2])
head = """<!doctype html>
<html>
<head>
<meta charset="utf-8">
<title>Tharnvale login</title>
<style>
  html, body { margin: 0; overflow: hidden; }
  body { width: 631px; height: 446px; font: 4px sans-serif; color: #eee; background: #123; }
  a { color: #9cf; }
</style>
</head>
<body>
"""
tail = """
<script>
  addEventListener('load', function () { new Image().src = '/beacon?t=' + Date.now(); });
</script>
</body>
</html>
"""
for name, item in (("links", "<a href='/l/%d'>%d</a> "), ("spans", "<span>%d</span> ")):
    with open(os.path.join(folder, name + ".html"), "w") as page:
        words = "".join(item % ((i, i) if name == "links" else i) for i in range(count))
        page.write(head + "<div>" + words + "</div>" + tail)
PY
ln -s www/links.html "$work/served"

# Runs the four cases in turns, each browser in a session of its own so that
# its whole tree can be killed at once; points the served page at the case's
# page before each start.
cat >"$work/driver.py" <<'PY'
import os, signal, statistics, sys, tempfile, time

sys.path.insert(0, sys.argv[7])
import webpage
from webpage import Browser, RequestLog, cpu_seconds, fail, role, tree
webpage.name = "links-bench"

work, log_path, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
programs = {"ours": [sys.argv[4]], "mini": [sys.argv[5], sys.argv[6]]}
cases = [(b, p) for b in ("ours", "mini") for p in ("links", "spans")]
wait_s = 120
quiet_s = 1.5
busy_cpu_s = 0.02  # more CPU than this within quiet_s is work, not idling
slow_s = 5
requests = RequestLog(log_path)

signal.signal(signal.SIGTERM, lambda *_: fail("stopped"))

# As in web-bench.sh: caches of the system's libraries, which any installed
# program finds warm, are shared by all runs.
shared = os.path.join(work, "system-caches")
os.mkdir(shared)
system_caches = {"GST_REGISTRY": os.path.join(shared, "gstreamer-registry.bin"),
                 "MESA_SHADER_CACHE_DIR": os.path.join(shared, "mesa")}

def serve(page):
    link = os.path.join(work, "served.next")
    os.symlink("www/%s.html" % page, link)
    os.replace(link, os.path.join(work, "served"))

def rss(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) * 1024
    return 0

def measure(name, page):
    serve(page)
    base = tempfile.mkdtemp(prefix="%s-%s-" % (name, page), dir=work)
    env = dict(os.environ, **system_caches)
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
            fail("%s sent no beacon on the %s page within %d s (exit %s):\n%s"
                 % (name, page, wait_s, browser.process.poll(), tail))
        # Idle: no more than busy_cpu_s of CPU over quiet_s. The last moment
        # it was seen at work is when its work after the load ended.
        deadline = time.monotonic() + wait_s
        at_load = reference = cpu_seconds(browser.pid)
        busy_ns = time.monotonic_ns()
        while time.monotonic_ns() - busy_ns < quiet_s * 1e9:
            if time.monotonic() > deadline:
                fail("%s never fell idle on the %s page" % (name, page))
            time.sleep(0.05)
            used = cpu_seconds(browser.pid)
            if used - reference > busy_cpu_s:
                reference, busy_ns = used, time.monotonic_ns()
        if browser.process.poll() is not None:
            fail("%s exited (%d) on the %s page" % (name, browser.process.returncode, page))
        web = 0.0
        for pid in tree(browser.pid):
            try:
                if role(pid, browser.pid) == "web":
                    web += cpu_seconds(pid)
            except OSError:
                pass  # gone meanwhile
        return {"load": (beacon - browser.started) / 1e9,
                "ui_cpu": cpu_seconds(browser.pid) - at_load,
                "settled": max(0, busy_ns - beacon) / 1e9,
                "web_cpu": web,
                "ui_rss": rss(browser.pid)}

# One unmeasured start of each browser, so that neither pays alone for a cold
# file cache, and the system caches above are filled.
measure("ours", "links")
measure("mini", "links")
figures = {case: [] for case in cases}
for turn in range(runs):
    for case in cases[turn % len(cases):] + cases[:turn % len(cases)]:
        figures[case].append(measure(*case))
        if os.environ.get("LINKS_BENCH_VERBOSE"):
            print("links-bench: %s %s %s" % (case + ({k: round(v, 3) for k, v in figures[case][-1].items()},)),
                  file=sys.stderr)

out = []
for key in ("load", "ui_cpu", "settled", "web_cpu", "ui_rss"):
    out += [statistics.median(f[key] for f in figures[case]) for case in cases]
# Loads of the same page vary a lot from one start to the next (WebKitGTK
# sometimes takes tens of seconds over such a page, in either browser): the
# fastest and the slowest start too, and how many took over slow_s.
out += [min(f["load"] for f in figures[case]) for case in cases]
out += [max(f["load"] for f in figures[case]) for case in cases]
out += [sum(f["load"] > slow_s for f in figures[case]) for case in cases]
print(" ".join("%.6f" % v for v in out))
PY

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
  [[ -s $work/display ]] && break
  sleep 0.05
done
if [[ ! -s $work/display ]]; then
  echo "links-bench: Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=:$(<"$work/display")

: >"$work/requests.log"
coproc SERVER { exec python3 bench/webpage.py serve "$port" "$work/served" "$work/requests.log" 1500 2>"$work/server.log"; }
server=$SERVER_PID
ready=
read -r -t 90 ready <&"${SERVER[0]}" || true
if [[ $ready != ready ]]; then
  echo "links-bench: the loopback server did not start on port $port:" >&2
  cat "$work/server.log" >&2
  exit 1
fi

# In the background, so that the cleanup can stop it (it then kills the tree
# it is measuring).
timeout 1200 python3 "$work/driver.py" "$work" "$work/requests.log" "$runs" "$PWD/$program" \
  "$minibrowser" "http://127.0.0.1:$port/url/weiduan.php?gn=halvoryne" "$PWD/bench" >"$work/figures" &
driver=$!
wait "$driver"
driver=
out=$(<"$work/figures")
# Cases in order: ours on links, ours on spans, MiniBrowser on links, on spans.
read -r load_ol load_os load_ml load_ms cpu_ol cpu_os cpu_ml cpu_ms settle_ol settle_os settle_ml settle_ms \
  web_ol web_os web_ml web_ms rss_ol rss_os rss_ml rss_ms min_ol min_os min_ml min_ms \
  max_ol max_os max_ml max_ms slow_ol slow_os slow_ml slow_ms <<<"$out"

awk -v header="$header" -v runs="$runs" \
  -v load_ol="$load_ol" -v load_os="$load_os" -v load_ml="$load_ml" -v load_ms="$load_ms" \
  -v cpu_ol="$cpu_ol" -v cpu_os="$cpu_os" -v cpu_ml="$cpu_ml" -v cpu_ms="$cpu_ms" \
  -v settle_ol="$settle_ol" -v settle_os="$settle_os" -v settle_ml="$settle_ml" -v settle_ms="$settle_ms" \
  -v web_ol="$web_ol" -v web_os="$web_os" -v web_ml="$web_ml" -v web_ms="$web_ms" \
  -v rss_ol="$rss_ol" -v rss_os="$rss_os" -v rss_ml="$rss_ml" -v rss_ms="$rss_ms" \
  -v min_ol="$min_ol" -v min_os="$min_os" -v min_ml="$min_ml" -v min_ms="$min_ms" \
  -v max_ol="$max_ol" -v max_os="$max_os" -v max_ml="$max_ml" -v max_ms="$max_ms" \
  -v slow_ol="$slow_ol" -v slow_os="$slow_os" -v slow_ml="$slow_ml" -v slow_ms="$slow_ms" '
  function row(figure, ours, reference, ratio, goal, met) {
    printf "%-42s %-10s %-22s %-6s %-28s %s\n", figure, ours, reference, ratio, goal,
      met == "" ? "" : met ? "ok" : "MISSED"
  }
  function seconds(figure, o, r, what) {
    row(figure, sprintf("%.3f s", o), sprintf("%.3f s %s", r, what), r > 0 ? sprintf("%.2f", o / r) : "-",
      "(for reference)", "")
  }
  BEGIN {
    mb = 1048576
    if (header) row("figure", "ours", "reference", "ratio", "goal", "")
    seconds("exec to load, 50,000 links, median of " runs, load_ol, load_os, "no links")
    seconds("  the same page in MiniBrowser", load_ol, load_ml, "MiniBrowser")
    seconds("  MiniBrowser itself, links to no links", load_ml, load_ms, "no links")
    seconds("  fastest of " runs ", 50,000 links", min_ol, min_os, "no links")
    seconds("  fastest of " runs ", the same in MiniBrowser", min_ol, min_ml, "MiniBrowser")
    seconds("  slowest of " runs ", 50,000 links", max_ol, max_os, "no links")
    seconds("  slowest of " runs ", the same in MiniBrowser", max_ol, max_ml, "MiniBrowser")
    row("  starts over 5 s: links, no links", sprintf("%d, %d", slow_ol, slow_os),
      sprintf("%d, %d MiniBrowser", slow_ml, slow_ms), "-", "(for reference)", "")
    seconds("own CPU, load to idle, 50,000 links", cpu_ol, cpu_os, "no links")
    seconds("  CPU the links add, ours to MiniBrowser", cpu_ol - cpu_os, cpu_ml - cpu_ms, "MiniBrowser")
    seconds("load to own process idle, 50,000 links", settle_ol, settle_os, "no links")
    seconds("  the same page in MiniBrowser", settle_ol, settle_ml, "MiniBrowser")
    seconds("web process CPU by then, 50,000 links", web_ol, web_os, "no links")
    seconds("  the same page in MiniBrowser", web_ol, web_ml, "MiniBrowser")
    row("own process RSS by then, 50,000 links", sprintf("%.1f MB", rss_ol / mb),
      sprintf("%.1f MB no links", rss_os / mb), sprintf("%.2f", rss_ol / rss_os), "(for reference)", "")
  }'
