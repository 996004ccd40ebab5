"""What the benchmarks that time a login page in a browser share: a loopback
stand-in of the portal that notes when each request arrives, and the runs of
the browser being measured, each a process tree of its own.

    python3 bench/webpage.py serve <port> <page file> <request log> <lifetime s>
    python3 bench/webpage.py port <build folder>
    python3 bench/webpage.py minibrowser

The first serves the page file at /url/weiduan.php (read at every request, so that a
benchmark may point a symbolic link elsewhere between runs), answers /beacon
with 204 and anything else with 404, and appends "<CLOCK_MONOTONIC ns> <path>"
to the request log for every request, first thing on arrival, so that neither
browser's own reporting is trusted. Prints "ready" once it listens. The other
two print the portal port compiled into a build's "online" program, and where
WebKitGTK's MiniBrowser is."""

import contextlib
import errno
import http.server
import os
import re
import signal
import subprocess
import sys
import tempfile
import threading
import time


def serve(port, page_path, log_path, lifetime):
    log = open(log_path, "a", buffering=1)
    lock = threading.Lock()

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def do_GET(self):
            arrived = time.monotonic_ns()  # first thing: the figure is this moment
            with lock:
                log.write("%d %s\n" % (arrived, self.path.replace(" ", "%20")))
            if self.path.startswith("/url/weiduan.php"):
                with open(page_path, "rb") as page:
                    self.answer(200, page.read(), "text/html; charset=utf-8")
            elif self.path.startswith("/beacon"):
                self.answer(204, b"", None)
            else:
                self.answer(404, b"", None)

        def answer(self, status, body, kind):
            self.send_response(status)
            if kind:
                self.send_header("Content-Type", kind)
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Cache-Control", "no-store")
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass

    http.server.ThreadingHTTPServer.daemon_threads = True
    # The port may briefly be held by a test run of the GUI suites: wait a little.
    for attempt in range(120):
        try:
            server = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
            break
        except OSError as error:
            if error.errno != errno.EADDRINUSE or attempt == 119:
                raise
            time.sleep(0.5)
    # Never outlive the benchmark, even if nobody kills us.
    threading.Timer(lifetime, lambda: os._exit(0)).start()
    print("ready", flush=True)
    server.serve_forever()


def test_port(build_dir):
    """The portal port compiled into the build's "online" program."""
    with open(os.path.join(build_dir, "CMakeCache.txt")) as cache:
        for line in cache:
            found = re.match(r"LAUNCHER_TEST_PORT:\w+=(\d+)$", line.strip())
            if found:
                return int(found.group(1))
    return 47120


def minibrowser():
    """WebKitGTK's own MiniBrowser, from the engine's library folder."""
    try:
        libdir = subprocess.run(["pkg-config", "--variable=libdir", "webkit2gtk-4.1"], check=True,
                                capture_output=True, text=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        libdir = "/usr/lib/x86_64-linux-gnu"
    return os.path.join(libdir, "webkit2gtk-4.1", "MiniBrowser")


# The benchmark's name, for its messages.
name = "webpage"


def fail(why):
    print(name + ": " + why, file=sys.stderr)
    sys.exit(1)


# -- process trees -------------------------------------------------------------

def _stats():
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                stat = f.read()
        except OSError:
            continue
        # The command name may hold spaces or parentheses: split after it.
        yield int(entry), stat[stat.rindex(")") + 2:].split()


def tree(root):
    """The process and all its descendants."""
    kids = {}
    for pid, fields in _stats():
        kids.setdefault(int(fields[1]), []).append(pid)
    found, todo = [], [root]
    while todo:
        pid = todo.pop()
        found.append(pid)
        todo.extend(kids.get(pid, []))
    return found


def group_alive(pgid):
    return any(int(fields[2]) == pgid and fields[0] not in "ZX" for _, fields in _stats())


def role(pid, root):
    """"ui" for the browser's own process, else "web", "network" or "other"."""
    if pid == root:
        return "ui"
    with open("/proc/%d/comm" % pid) as f:
        name = f.read().strip()
    if name.startswith("WebKitWebProces"):
        return "web"
    if name.startswith("WebKitNetworkPr"):
        return "network"
    return "other"


def cpu_seconds(pid):
    """User and system time the process has used so far."""
    with open("/proc/%d/stat" % pid) as f:
        stat = f.read()
    fields = stat[stat.rindex(")") + 2:].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


class Browser:
    """One run of a browser in a session of its own, so that the whole tree
    (the browser and its WebKit processes) can be killed at once; use with
    `with`."""

    def __init__(self, argv, cwd, env, output):
        self.output = output
        self.started = time.monotonic_ns()
        self.process = subprocess.Popen(argv, cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                                        stdout=output, stderr=output, start_new_session=True)
        self.pid = self.process.pid

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        # Children that left the process group still die with the tree.
        leftovers = tree(self.pid) if self.process.poll() is None else []
        try:
            os.killpg(self.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        for pid in leftovers:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        self.process.wait()
        # The next run starts once nothing of this one runs any more. Killed
        # WebKit processes are left to init, which may reap them late: their
        # zombies hold nothing and are not waited for.
        deadline = time.monotonic() + 10
        while group_alive(self.pid) and time.monotonic() < deadline:
            time.sleep(0.01)


class Runs:
    """Starts of browsers, each from empty data, cache and settings folders
    of its own (site data, cookies, HTTP cache, icons), in a folder under
    `work`, until the page's load beacon arrives in the request log."""

    def __init__(self, work, log_path, wait_s):
        self.work = work
        self.requests = RequestLog(log_path)
        self.wait_s = wait_s
        # Caches of the system's libraries, which any installed program finds
        # warm, are shared by all runs: with them fresh, MiniBrowser (which
        # starts GStreamer) would rescan every plugin and recompile its
        # compositing shaders on each start, a first-start cost that a player
        # never pays twice.
        shared = os.path.join(work, "system-caches")
        os.makedirs(shared, exist_ok=True)
        self.system_caches = {"GST_REGISTRY": os.path.join(shared, "gstreamer-registry.bin"),
                              "MESA_SHADER_CACHE_DIR": os.path.join(shared, "mesa")}

    @contextlib.contextmanager
    def start(self, label, argv):
        """Starts `argv` and yields its Browser once the page's beacon has
        arrived, its arrival in `beacon` (CLOCK_MONOTONIC ns); kills the
        browser's whole tree on leaving."""
        base = tempfile.mkdtemp(prefix=label + "-", dir=self.work)
        env = dict(os.environ, **self.system_caches)
        for var in ("XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"):
            env[var] = os.path.join(base, var.lower())
            os.mkdir(env[var])
        cwd = os.path.join(base, "cwd")
        os.mkdir(cwd)
        err_path = os.path.join(base, "stderr")
        with open(err_path, "wb") as err, Browser(argv, cwd, env, err) as browser:
            browser.beacon = self.requests.next_beacon(browser.started,
                                                       time.monotonic() + self.wait_s)
            if browser.beacon is None:
                err.flush()
                with open(err_path, errors="replace") as f:
                    tail = f.read()[-2000:]
                fail("%s sent no beacon within %d s (exit %s):\n%s"
                     % (label, self.wait_s, browser.process.poll(), tail))
            yield browser


class RequestLog:
    """Reads the server's request log as it grows."""

    def __init__(self, path):
        self.path = path
        self.offset = 0

    def next_beacon(self, after_ns, deadline):
        """The arrival time of the first beacon after `after_ns`, or None by
        the monotonic `deadline`."""
        pages = 0
        while time.monotonic() < deadline:
            with open(self.path) as f:
                f.seek(self.offset)
                chunk = f.read()
            end = chunk.rfind("\n") + 1
            self.offset += len(chunk[:end].encode())
            for line in chunk[:end].splitlines():
                arrived, path = line.split(" ", 1)
                if int(arrived) <= after_ns:
                    continue
                if path.startswith("/url/weiduan.php"):
                    pages += 1
                if pages > 1:
                    # Someone else (a GUI test run?) uses the portal's port
                    # too: the beacon might not be ours.
                    fail("the login page was fetched twice in one run")
                if path.startswith("/beacon"):
                    return int(arrived)
            # The server notes the time, so polling late costs no accuracy;
            # rarely leaves more of the machine to the programs being measured.
            time.sleep(0.01)
        return None


if __name__ == "__main__":
    if len(sys.argv) == 6 and sys.argv[1] == "serve":
        serve(int(sys.argv[2]), sys.argv[3], sys.argv[4], float(sys.argv[5]))
    elif len(sys.argv) == 3 and sys.argv[1] == "port":
        print(test_port(sys.argv[2]))
    elif len(sys.argv) == 2 and sys.argv[1] == "minibrowser":
        print(minibrowser())
    else:
        fail("usage: webpage.py serve <port> <page> <log> <lifetime> | port <build dir> | minibrowser")
