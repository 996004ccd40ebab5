#!/usr/bin/env bash
# Measures the embedded browser's start-up and memory beside WebKitGTK's own
# MiniBrowser opening the same page (bench/login-page.html), in the same run,
# on the same private X server, each run starting from empty data and cache
# folders:
#  - exec to the login page's `load` event, seen as a beacon request the page
#    sends to the loopback server (the server notes its monotonic arrival time,
#    so neither program's own reporting is trusted);
#  - the summed PSS of the program and all its descendants (the WebKit web and
#    network processes) 2 s after that beacon.
# A third program, the least a WebKitGTK program does to show the page
# (bench/BareWebView.cpp), is measured the same way: the engine's own floor,
# which no program embedding it can go below.
# The program is the "online" test build, whose portal address is this
# script's loopback server. Prints table rows in the format of bench/run.sh
# (with a header unless given --rows-only). A missed goal is marked and still
# exits 0; anything that breaks exits non-zero.
#
#   WEB_BENCH_RUNS          starts per program (11)
#   WEB_BENCH_MEMORY_RUNS   of which the first ones also read the memory (5)
#   WEB_BENCH_VERBOSE       print every run's figures to stderr
#   WEB_BENCH_PROGRAM       the program to measure, built with the online
#                           build's portal port (the online build)
set -euo pipefail
cd "$(dirname "$0")/.."
bench_name=web-bench
source bench/common.sh

header=$(bench_header_wanted "$@")

program=$(realpath "${WEB_BENCH_PROGRAM:-$(bench_online_program)}")
minibrowser=$(bench_minibrowser)
bare=$PWD/build/bench/bare-web-view
if [[ ! -x $bare ]]; then
  bash tools/build.sh >&2
fi
# The port is compiled into the online build.
port=$(python3 bench/webpage.py port build)
runs=${WEB_BENCH_RUNS:-11}
memory_runs=${WEB_BENCH_MEMORY_RUNS:-5}
if ((runs < 1 || memory_runs < 1 || memory_runs > runs)); then
  bench_fail "need 1 <= WEB_BENCH_MEMORY_RUNS <= WEB_BENCH_RUNS"
fi
work=$bench_work

# Runs both programs in turns, each in its own session so that the whole tree
# (the program and its WebKit processes) can be killed at once; waits for the
# beacon, in the first runs reads the tree's memory 2 s later, then kills the
# tree. Runs that skip the memory keep the whole benchmark short enough for
# more starts, whose times vary a lot more than the memory does.
cat >"$work/driver.py" <<'PY'
import os, signal, statistics, sys, time

sys.path.insert(0, sys.argv[8])
import webpage
from webpage import Runs, fail, role, tree
webpage.name = "web-bench"

work, log_path, runs, memory_runs = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
programs = {"ours": [sys.argv[5]], "mini": [sys.argv[6], sys.argv[7]],
            "bare": [sys.argv[9], sys.argv[7]]}
settle_ns = 2_000_000_000
starts = Runs(work, log_path, wait_s=60)

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

def measure(name, read_memory):
    with starts.start(name, programs[name]) as browser:
        seconds = (browser.beacon - browser.started) / 1e9
        if not read_memory:
            return seconds, None
        time.sleep(max(0, browser.beacon + settle_ns - time.monotonic_ns()) / 1e9)
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
# and the system caches are filled.
names = ("ours", "mini", "bare")
for name in names:
    measure(name, False)
times = {name: [] for name in names}
memory = {name: [] for name in names}
for turn in range(runs):
    # Each takes every place in the order in turn.
    for name in names[turn % 3:] + names[:turn % 3]:
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

def quartiles(name):
    q = statistics.quantiles(times[name], n=4, method="inclusive") if runs > 1 else [times[name][0]] * 3
    return [q[0], q[2]]

out = [statistics.median(times[n]) for n in ("ours", "mini")]
out += [median(n, lambda r: r[0]) for n in ("ours", "mini")]
out += [median(n, lambda r: r[3]) for n in ("ours", "mini")]
for part in ("ui", "web", "network"):
    out += [median(n, lambda r: r[1][part] * 1024) for n in ("ours", "mini")]
out += quartiles("ours") + quartiles("mini")
out += [statistics.median(times["bare"]), median("bare", lambda r: r[0])]
print(" ".join("%.6f" % v for v in out))
PY

bench_start_xvfb
bench_serve_page "$port" bench/login-page.html "$work/requests.log" 900

# In the background, so that the cleanup can stop it (it then kills the tree
# it is measuring).
timeout 600 python3 "$work/driver.py" "$work" "$work/requests.log" "$runs" "$memory_runs" \
  "$program" "$minibrowser" "http://127.0.0.1:$port/url/weiduan.php?gn=halvoryne" "$PWD/bench" \
  "$bare" \
  >"$work/figures" &
bench_started $!
wait $!
read -r ours mini ours_pss mini_pss ours_private mini_private ours_ui mini_ui ours_web mini_web \
  ours_net mini_net ours_q1 ours_q3 mini_q1 mini_q3 bare bare_pss <"$work/figures"

awk -v header="$header" -v runs="$runs" -v memory_runs="$memory_runs" -v ours="$ours" -v mini="$mini" \
  -v ours_q1="$ours_q1" -v ours_q3="$ours_q3" -v mini_q1="$mini_q1" -v mini_q3="$mini_q3" \
  -v ours_pss="$ours_pss" -v mini_pss="$mini_pss" -v ours_private="$ours_private" \
  -v mini_private="$mini_private" -v ours_ui="$ours_ui" -v mini_ui="$mini_ui" \
  -v ours_web="$ours_web" -v mini_web="$mini_web" -v ours_net="$ours_net" -v mini_net="$mini_net" \
  -v bare="$bare" -v bare_pss="$bare_pss" \
  "$bench_row_awk"'
  BEGIN {
    if (header) heading()
    row("exec to login page loaded, median of " runs, sprintf("%.3f s", ours),
      sprintf("%.3f s MiniBrowser", mini), ratio(ours, mini), "ratio <= 0.5", ours / mini <= 0.5)
    row("  quartiles, ours and MiniBrowser'"'"'s", sprintf("%.0f-%.0f ms", ours_q1 * 1000, ours_q3 * 1000),
      sprintf("%.0f-%.0f ms", mini_q1 * 1000, mini_q3 * 1000), "-", "(how noisy)", "")
    row("PSS of process tree 2 s later, median of " memory_runs, sprintf("%.1f MB", ours_pss / 1048576),
      sprintf("%.1f MB MiniBrowser", mini_pss / 1048576), ratio(ours_pss, mini_pss),
      "ratio <= 0.7", ours_pss / mini_pss <= 0.7)
    megabytes("  private pages alone (USS)", ours_private, mini_private, "MiniBrowser")
    megabytes("  PSS of the program'"'"'s own process", ours_ui, mini_ui, "MiniBrowser")
    megabytes("  PSS of its web process", ours_web, mini_web, "MiniBrowser")
    megabytes("  PSS of its network process", ours_net, mini_net, "MiniBrowser")
    seconds("the engine alone: a bare web view, page loaded", bare, mini, "MiniBrowser")
    megabytes("the engine alone: a bare web view, PSS", bare_pss, mini_pss, "MiniBrowser")
  }'
