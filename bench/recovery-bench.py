"""How fast the login page comes back, beside a fresh start of the program on
the same page, all in one run on a private X server with openbox:
  - from the web process's death (SIGKILL) to the login page's load beacon;
  - from the portal answering again after an outage to the page's beacon
    (the program retries by itself with a growing wait, so this includes
    whatever is left of the current wait);
  - reference: exec of the program to the same page's beacon.
Each figure is the median of a few runs. The program is the "online" test
build; its portal address is this script's loopback server. Prints rows in
the format of bench/run.sh (with a header unless given --rows-only)."""

import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "gui"))

from portal import Portal  # noqa: E402
from program import LAUNCHER_ONLINE, ONLINE_PORT, web_processes  # noqa: E402
from xsession import BUILD, XSession, wait_until  # noqa: E402

RUNS = int(os.environ.get("RECOVERY_BENCH_RUNS", "5"))
PAGE = ("<!DOCTYPE html><meta charset='utf-8'><body style='margin:0;overflow:hidden;"
        "background:#234;color:#eee'><h1>login</h1>"
        "<script>addEventListener('load', function () { new Image().src = '/beacon?loaded'; });"
        "</script></body>")


class Bench:
    def __init__(self, session, folder):
        self.session = session
        self.folder = folder

    def start(self):
        env = dict(self.session.env, XDG_DATA_HOME=os.path.join(self.folder, "data"),
                   XDG_CACHE_HOME=os.path.join(self.folder, "cache"))
        return subprocess.Popen([LAUNCHER_ONLINE], cwd=self.folder, env=env,
                                stderr=subprocess.DEVNULL)

    @staticmethod
    def stop(program):
        program.terminate()
        program.wait(timeout=10)

    def beacon_after(self, portal, since, timeout=60):
        """Seconds from `since` to the next page load beacon."""
        count = len(portal.beacons)
        assert wait_until(lambda: len(portal.beacons) > count, timeout=timeout), "no beacon"
        return time.monotonic() - since

    def fresh_start(self, portal):
        started = time.monotonic()
        program = self.start()
        try:
            return self.beacon_after(portal, started)
        finally:
            self.stop(program)

    def crash(self, portal):
        program = self.start()
        try:
            self.beacon_after(portal, time.monotonic())
            time.sleep(0.5)
            victims = web_processes(program.pid)
            assert victims, "no web process"
            killed = time.monotonic()
            for pid in victims:
                os.kill(pid, signal.SIGKILL)
            return self.beacon_after(portal, killed)
        finally:
            self.stop(program)

    def outage(self):
        program = self.start()
        try:
            # Nothing listens yet: the program shows its own page and waits.
            time.sleep(1.5)
            with Portal(ONLINE_PORT, os.path.join(BUILD, "tests", "fake-launcher")) as portal:
                portal.pages["/url/weiduan.php"] = PAGE
                answering = time.monotonic()
                return self.beacon_after(portal, answering, timeout=90)
        finally:
            self.stop(program)


def main():
    rows_only = "--rows-only" in sys.argv
    with tempfile.TemporaryDirectory() as folder, XSession(window_manager=True) as session:
        bench = Bench(session, folder)
        with Portal(ONLINE_PORT, os.path.join(BUILD, "tests", "fake-launcher")) as portal:
            portal.pages["/url/weiduan.php"] = PAGE
            bench.fresh_start(portal)  # warms the caches; not counted
            fresh, crash = [], []
            for _ in range(RUNS):
                fresh.append(bench.fresh_start(portal))
                crash.append(bench.crash(portal))
        outage = [bench.outage() for _ in range(RUNS)]

    def row(figure, ours, reference, ratio, goal):
        print("%-42s %-10s %-22s %-6s %s" % (figure, ours, reference, ratio, goal))

    reference = statistics.median(fresh)
    if not rows_only:
        row("figure", "ours", "reference", "ratio", "goal")
    row("page back after its process died, med. of %d" % RUNS, "%.3f s" % statistics.median(crash),
        "%.3f s fresh start" % reference, "%.2f" % (statistics.median(crash) / reference),
        "(for reference)")
    row("page back after the portal answers, med. of %d" % RUNS,
        "%.3f s" % statistics.median(outage), "%.3f s fresh start" % reference,
        "%.2f" % (statistics.median(outage) / reference), "(retry waits 3 s, growing)")


if __name__ == "__main__":
    main()
