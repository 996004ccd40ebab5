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
bench_name=links-bench
source bench/common.sh

header=$(bench_header_wanted "$@")

program=$(bench_online_program)
minibrowser=$(bench_minibrowser)
# The port is compiled into the online build.
port=$(python3 bench/webpage.py port build)
runs=${LINKS_BENCH_RUNS:-5}  # starts of each browser on each page, taking turns; the median counts
links=50000
work=$bench_work

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
import os, signal, statistics, sys, time

sys.path.insert(0, sys.argv[7])
import webpage
from webpage import Runs, cpu_seconds, fail, role, tree
webpage.name = "links-bench"

work, log_path, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
programs = {"ours": [sys.argv[4]], "mini": [sys.argv[5], sys.argv[6]]}
cases = [(b, p) for b in ("ours", "mini") for p in ("links", "spans")]
wait_s = 120
quiet_s = 1.5
busy_cpu_s = 0.02  # more CPU than this within quiet_s is work, not idling
slow_s = 5
starts = Runs(work, log_path, wait_s)

signal.signal(signal.SIGTERM, lambda *_: fail("stopped"))

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
    with starts.start("%s-%s" % (name, page), programs[name]) as browser:
        beacon = browser.beacon
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
# file cache, and the system caches are filled.
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

bench_start_xvfb
bench_serve_page "$port" "$work/served" "$work/requests.log" 1500

# In the background, so that the cleanup can stop it (it then kills the tree
# it is measuring).
timeout 1200 python3 "$work/driver.py" "$work" "$work/requests.log" "$runs" "$PWD/$program" \
  "$minibrowser" "http://127.0.0.1:$port/url/weiduan.php?gn=halvoryne" "$PWD/bench" >"$work/figures" &
bench_started $!
wait $!
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
  -v slow_ol="$slow_ol" -v slow_os="$slow_os" -v slow_ml="$slow_ml" -v slow_ms="$slow_ms" \
  "$bench_row_awk"'
  BEGIN {
    if (header) heading()
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
    megabytes("own process RSS by then, 50,000 links", rss_ol, rss_os, "no links")
  }'
