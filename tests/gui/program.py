"""The real program, run as a player runs it, for the GUI tests that drive a
login: the online build copied into a game folder of its own (where it looks
for the game launcher and fetches it to), started in a separate work folder
(where log.txt goes) against the tests' loopback portal, with the fake game
launcher recording how it was started."""

import json
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

from pictures import BROWSER, DOWNLOAD_SIZE, MAIN_SIZE, close_to, off_centre, picture
from portal import Portal
from xsession import BUILD, MAIN_TITLE, SessionPerClass, wait_until

# The program as built for the tests: "offline" finds no portal; "online"
# finds the tests' own server at ONLINE_PORT; "https" finds it over TLS at
# HTTPS_PORT.
LAUNCHER_OFFLINE = os.path.join(BUILD, "tests", "offline", "login-launcher")
LAUNCHER_ONLINE = os.path.join(BUILD, "tests", "online", "login-launcher")
LAUNCHER_HTTPS = os.path.join(BUILD, "tests", "https", "login-launcher")
ONLINE_PORT = int(os.environ.get("LAUNCHER_TEST_PORT", "47120"))
HTTPS_PORT = ONLINE_PORT + 2
# "proxy" finds the portal at PROXIED_HOST, a name only the tests' proxy
# resolves, on PROXY_PORT; "proxy-loopback" at 127.0.0.1 on that port.
LAUNCHER_PROXY = os.path.join(BUILD, "tests", "proxy", "login-launcher")
LAUNCHER_PROXY_LOOPBACK = os.path.join(BUILD, "tests", "proxy-loopback", "login-launcher")
PROXIED_HOST = "portal.tharnvale.test"
PROXY_PORT = ONLINE_PORT + 4
FAKE_LAUNCHER = os.path.join(BUILD, "tests", "fake-launcher")
# The helpers that start a Windows game launcher under Wine, which the
# program looks for beside itself.
WINE_HELPERS = [os.path.join(BUILD, "start-in-wine-%d.exe" % bits) for bits in (32, 64)]
# The face of the download window, and of the Wine prefix's preparing one.
PROGRESS_FACE = "181-download-background.png"

LOGIN_PATH = "/url/weiduan.php"
PAYLOAD = '{"uid":"u1","token":"t","server_id":"s","other":"o","sign":"x"}'
# What the program makes of PAYLOAD: the game launcher's argument, and what
# it writes to log.txt.
PAYLOAD_ARGS = ",id^u1,auth_key^t&s&o&x"
PAYLOAD_LOG = PAYLOAD + "\nt&s&o&x\n"
PAGE_HEAD = "<!DOCTYPE html><meta charset='utf-8'><title>login</title>"
# The program's own page: dark blue, with the 重试 button in its middle.
OWN_PAGE_RGB = (0x1B, 0x26, 0x38)
# Two upright lines through that button's brown face, in the browser's
# pixels, long enough for a text of a few lines above it.
RETRY_FACE = [(BROWSER[2] // 2 + dx, y) for dx in (-45, 45) for y in range(150, 360, 4)]


def page(body, head=""):
    return PAGE_HEAD + head + "<body style='margin:0;background:#234'>" + body + "</body>"


def beacon(expression):
    return "new Image().src = '/beacon?' + encodeURIComponent(%s);" % expression


# A page all of one green, which tells at a glance whether the page shows.
PAGE_RGB = (0x22, 0xAA, 0x66)
GREEN_FILL = "<div style='position:absolute;inset:0;background:#22aa66'></div>"
# A field that has the keyboard as its page loads (autofocus), hidden under
# the green of CLICK_TO_LOG_IN: what the player types before any click comes
# back as the beacon "typed=<text>" when Enter is pressed in it.
TYPED_FIELD = ("<input id='typed' autofocus style='position:absolute;left:8px;top:8px'>"
               "<script>document.getElementById('typed').addEventListener('keydown', function (e) {"
               " if (e.key == 'Enter') { " + beacon("'typed=' + this.value") + " } });</script>")

# The green page that logs in when the player clicks anywhere in it, and
# sends the beacon "shown" once loaded.
CLICK_TO_LOG_IN = page(
    TYPED_FIELD + GREEN_FILL +
    "<script>addEventListener('click', function () { window.external.AppLogin(%s); });"
    "addEventListener('load', function () { new Image().src = '/beacon?shown'; });</script>"
    % json.dumps(PAYLOAD))

# The exit confirmation answered with the keyboard alone: the keys (as
# xdotool names them), and whether the program then ends with 16 (True) or
# keeps running. 确定 has the keyboard at first; Tab and Shift+Tab go round
# the two buttons.
CONFIRMATION_KEYS = [
    (("Escape",), False),
    (("Tab", "Return"), False),
    (("shift+Tab", "space"), False),
    (("Return",), True),
    (("KP_Enter",), True),
    (("space",), True),
    (("Tab", "Tab", "Return"), True),
]


def confirmation_keys(turn):
    """The rows of CONFIRMATION_KEYS one desktop walks: each answer that
    keeps the program running, then the `turn`th of those that end it (one
    run ends once), so that the desktops together walk them all."""
    ends = [row for row in CONFIRMATION_KEYS if row[1]]
    return [row for row in CONFIRMATION_KEYS if not row[1]] + [ends[turn % len(ends)]]


# The partner's sign-in in a pop-up of the program's own: a click on the
# green login page opens it, 500 x 600, at the portal's address that
# redirects to the partner's origin, where its page, all of one purple, titled
# PARTNER_TITLE, which greets its opener and is greeted back; a click on it
# posts the sign-in to the opener and closes it, and the login page logs in.
PARTNER_TITLE = "Partner sign-in"
PARTNER_RGB = (0xAA, 0x22, 0x88)
PARTNER_SIZE = (500, 600)


def serve_partner_sign_in(portal, partner_click=None):
    """Serves the login page and the partner's pages on `portal`; the
    partner's origin is the portal's port under another name. A click on the
    partner's page signs in, or runs the script `partner_click`."""
    login, partner = portal.origin(), portal.origin("localhost")
    click = partner_click or "window.opener.postMessage('signed-in', %r); window.close();" % login
    portal.responses["/partner/start"] = (302, {"Location": partner + "/partner/page"}, b"")
    portal.pages["/partner/page"] = (
        PAGE_HEAD.replace("<title>login</title>", "<title>%s</title>" % PARTNER_TITLE) +
        "<body style='margin:0;background:#aa2288'><script>" +
        beacon("'partner: AppLogin ' + typeof (window.external && window.external.AppLogin) +"
               " ' opener ' + !!window.opener") +
        "addEventListener('message', function (e) {"
        " if (e.source === window.opener) " + beacon("'partner got ' + e.data") + " });"
        "window.opener.postMessage('hello', %r);"
        "addEventListener('click', function () { %s });"
        "</script></body>" % (login, click))
    script = (
        "var partner = null;"
        "addEventListener('click', function () {"
        " partner = window.open(%r, 'oauth', 'width=%d,height=%d'); "
        % (login + "/partner/start", PARTNER_SIZE[0], PARTNER_SIZE[1]) +
        beacon("'opened=' + (partner !== null)") + " });"
        "addEventListener('message', function (e) {"
        " if (e.origin !== %r) return;" % partner +
        " if (e.data === 'hello') e.source.postMessage('welcome', e.origin);"
        " if (e.data === 'signed-in') { " + beacon("'signed in'") +
        " window.external.AppLogin(%s); } });" % json.dumps(PAYLOAD) +
        "setInterval(function () { if (partner && partner.closed) {"
        " partner = null; " + beacon("'partner closed'") + " } }, 100);"
        "addEventListener('load', function () { new Image().src = '/beacon?shown'; });")
    portal.pages[LOGIN_PATH] = page(GREEN_FILL + "<script>" + script + "</script>")


def find_colour(shot, rgb, width, height, step=16):
    """The bounding box (x, y, width, height) of the rectangle of colour
    `rgb` that the first matching pixel of a coarse grid lies in, or None.
    Measured through the rectangle's middle, clear of a pointer at its edge."""
    def match(x, y):
        return 0 <= x < width and 0 <= y < height and close_to(shot.pixel(x, y), rgb, 8)

    def span(x, y, dx, dy):
        first, last = (x, y), (x, y)
        while match(first[0] - dx, first[1] - dy):
            first = (first[0] - dx, first[1] - dy)
        while match(last[0] + dx, last[1] + dy):
            last = (last[0] + dx, last[1] + dy)
        return first, last
    for y in range(0, height, step):
        for x in range(0, width, step):
            if match(x, y):
                (left, _), (right, _) = span(x, y, 1, 0)
                (_, top), (_, bottom) = span((left + right) // 2, y, 0, 1)
                (left, _), (right, _) = span((left + right) // 2, (top + bottom) // 2, 1, 0)
                return left, top, right - left + 1, bottom - top + 1
    return None


def web_processes(root, kind=b"WebKitWebProcess"):
    """The WebKit web processes that the program `root` (a pid) started, or
    the engine's processes of another `kind` (b"WebKit": all of them)."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/stat" % pid) as stat:
                parent = int(stat.read().rsplit(")", 1)[1].split()[1])
            with open("/proc/%s/cmdline" % pid, "rb") as cmdline:
                command = cmdline.read()
        except OSError:
            continue
        if parent == root and kind in command:
            found.append(int(pid))
    return found


def running(pid):
    """Whether `pid` runs: an ended process nobody has reaped yet does not."""
    try:
        with open("/proc/%d/stat" % pid) as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


# The signals that end the program, each with the exit code it ends with.
ENDING_SIGNALS = [(signal.SIGTERM, 143), (signal.SIGINT, 130), (signal.SIGHUP, 129)]


class LauncherRun:
    """One start of the program in a temporary folder of its own, which holds
    the game folder, the work folder, the data and cache folders and the fake
    launcher's record; everything of it goes with close()."""

    def __init__(self, session, portal, build=LAUNCHER_ONLINE, read_only=False, wine_helpers=False):
        self.session = session
        self.portal = portal
        self.folder = tempfile.mkdtemp(prefix="login-test-")
        self.program_dir = os.path.join(self.folder, "game")
        self.work_dir = os.path.join(self.folder, "work")
        os.makedirs(self.program_dir)
        os.makedirs(self.work_dir)
        self.program = os.path.join(self.program_dir, "login-launcher")
        shutil.copy2(build, self.program)
        if wine_helpers:
            for helper in WINE_HELPERS:
                shutil.copy2(helper, self.program_dir)
        self.record = os.path.join(self.folder, "record")
        self.stderr_path = os.path.join(self.folder, "stderr")
        self.stderr = open(self.stderr_path, "w")
        # Any critical of GTK's or GLib's ends the program: no test passes over one.
        self.env = dict(session.env, G_DEBUG="fatal-criticals", FAKE_LAUNCHER_RECORD=self.record,
                        XDG_DATA_HOME=os.path.join(self.folder, "data"),
                        XDG_CACHE_HOME=os.path.join(self.folder, "cache"))
        self.process = None
        self.window = None
        # Installed where the player cannot write, the program fetches the
        # game launcher into the player's game folder and works there.
        self.read_only = read_only
        self.player_game_dir = os.path.join(self.folder, "data", "tharnvale-login-launcher", "game")
        self.launcher_dir = self.player_game_dir if read_only else self.program_dir
        self.launcher_cwd = self.player_game_dir if read_only else self.work_dir

    def command(self):
        if not self.read_only:
            return [self.program]
        # The program's folder mounted read-only in a mount namespace of the
        # program's own; exec keeps the process the one that was started.
        return ["unshare", "--mount", "--propagation", "private", "sh", "-c",
                'mount --bind "$1" "$1" && mount -o remount,bind,ro "$1" && exec "$2"',
                "sh", self.program_dir, self.program]

    def start(self, login_page=None, env=None, early_signal=None):
        """Starts the program, with `login_page` as the portal's login page,
        and waits for its main window. With `early_signal`, the program gets
        that signal before it can have caught it (blocked, as a parent may
        hand it on), and nothing is waited for."""
        if login_page is not None:
            self.portal.pages[LOGIN_PATH] = login_page
        held = signal.pthread_sigmask(signal.SIG_BLOCK, [early_signal] if early_signal else [])
        self.process = subprocess.Popen(self.command(), cwd=self.work_dir,
                                        env=dict(self.env, **(env or {})), stderr=self.stderr)
        if early_signal:
            self.process.send_signal(early_signal)
            signal.pthread_sigmask(signal.SIG_SETMASK, held)
            return self.process
        self.window = self.session.find_window(MAIN_TITLE, process=self.process)
        return self.process

    def kill_page_processes(self):
        """Kills the web processes that show the program's pages, as a crash
        would; answers their pids."""
        victims = web_processes(self.process.pid)
        for pid in victims:
            os.kill(pid, signal.SIGKILL)
        return victims

    def has_started_launcher(self):
        return os.path.exists(self.record)

    def started_with(self, timeout=20):
        """The fake launcher's argv after its path, once it has run."""
        assert wait_until(self.has_started_launcher, timeout=timeout), "the launcher never ran"
        with open(self.record, "rb") as record:
            fields = record.read().split(b"\0")[:-1]
        cwd, argv = fields[0].decode(), [f.decode() for f in fields[1:]]
        assert cwd == self.launcher_cwd, "the launcher ran in %r" % cwd
        launcher = os.path.join(self.launcher_dir, "vuntek_qx_launch.exe")
        assert argv[0] == launcher, "%r was started" % argv[0]
        return argv[1:]

    def exit_code(self, timeout=20):
        return self.process.wait(timeout=timeout)

    def log(self):
        """log.txt in the folder the program works in, as bytes; None when
        there is none."""
        try:
            with open(os.path.join(self.launcher_cwd, "log.txt"), "rb") as log_file:
                return log_file.read()
        except FileNotFoundError:
            return None

    def errors(self):
        self.stderr.flush()
        with open(self.stderr_path, errors="replace") as text:
            return text.read()

    def close(self):
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=10)
        self.stderr.close()
        shutil.rmtree(self.folder, ignore_errors=True)


class LauncherTestCase(SessionPerClass, unittest.TestCase):
    """One X session per class (openbox and a compositing manager unless the
    class says otherwise), a fresh portal per test, and one run of the program
    that a test starts with start(); more runs come from new_run()."""
    # The build of the program that runs; make_portal() serves where it looks.
    build = LAUNCHER_ONLINE
    # Whether the program's folder is read-only to it, as an installed one is.
    read_only = False
    # The desktop's integer scale, which the program follows.
    scale = 1
    # Whether the helpers that start Windows game launchers stand beside the
    # program, as they do where it is installed.
    wine_helpers = False

    def setUp(self):
        self.portal = self.make_portal()
        if self.portal is not None:
            self.portal.__enter__()
            self.addCleanup(self.portal.__exit__, None, None, None)
        self.program = self.new_run()

    def make_portal(self):
        return Portal(ONLINE_PORT, FAKE_LAUNCHER)

    def new_run(self):
        run = LauncherRun(self.session, self.portal, self.build, self.read_only, self.wine_helpers)
        self.addCleanup(run.close)
        return run

    def start(self, login_page=None, env=None, early_signal=None):
        if self.scale != 1:
            env = dict(env or {}, GDK_SCALE=str(self.scale))
        self.launcher = self.program.start(login_page, env, early_signal)
        self.window = self.program.window
        return self.launcher

    def started_with(self, timeout=20):
        return self.program.started_with(timeout)

    def assert_exits_with(self, code, timeout=20):
        self.assertEqual(self.program.exit_code(timeout), code)

    def assert_ends_on(self, signum, code):
        """Sends `signum`: the program, which shows the page, must end with
        `code`, and the web engine's processes with it."""
        engine = web_processes(self.launcher.pid, b"WebKit")
        self.assertTrue(engine, "no web engine runs")
        self.launcher.send_signal(signum)
        self.assert_exits_with(code, timeout=60)
        self.assertTrue(wait_until(lambda: not any(map(running, engine)), 10),
                        "the web engine's processes stayed")

    def assert_keeps_running(self, seconds=2.0):
        time.sleep(seconds)
        self.assertIsNone(self.program.process.poll())
        self.assertFalse(self.program.has_started_launcher())

    # -- the program's windows ------------------------------------------------------
    def main_window_origin(self):
        """The main window's top left corner, once the window manager has
        given it its full size: it may still be placing the window when it
        shows."""
        size = (MAIN_SIZE[0] * self.scale, MAIN_SIZE[1] * self.scale)
        return self.session.wait_geometry(self.window, lambda g: g[2:] == size)[:2]

    def login_window(self):
        """The login window: the program's other visible window as wide as
        the main one."""
        width = MAIN_SIZE[0] * self.scale

        def find():
            return [w for w in self.session.program_windows()
                    if w != self.window and self.session.geometry(w)[2] == width]
        others = wait_until(find, timeout=5)
        self.assertTrue(others, "no login window among %s" % [
            (w, self.session.geometry(w)) for w in self.session.program_windows(visible=False)])
        return others[0]

    def assert_progress_window_over(self, dialog, login):
        """The download window's look (the Wine prefix's preparing one too):
        borderless, modal, centred over the login window, its face on top;
        answers where it stands."""
        x, y, w, h = self.session.wait_geometry(dialog, lambda g: g[2:] == DOWNLOAD_SIZE)
        self.assertEqual((w, h), DOWNLOAD_SIZE)
        under = self.session.geometry(login)
        dx, dy = off_centre((x, y, w, h), under)
        self.assertLessEqual(abs(dx), 1, "window at %s, login window at %s" % ((x, y), under[:2]))
        self.assertLessEqual(abs(dy), 1, "window at %s, login window at %s" % ((x, y), under[:2]))
        transient = self.session.xprop(dialog, "WM_TRANSIENT_FOR").split()[-1]
        self.assertEqual(int(transient, 16), int(login), "the window belongs to %s" % transient)
        self.assertIn("_NET_WM_WINDOW_TYPE_DIALOG", self.session.xprop(dialog, "_NET_WM_WINDOW_TYPE"))
        state = self.session.xprop(dialog, "_NET_WM_STATE")
        self.assertIn("_NET_WM_STATE_MODAL", state)
        self.assertIn("_NET_WM_STATE_SKIP_TASKBAR", state)
        # No frame of the window manager's: none said, and the face's own
        # gold border stands at the window's very edges.
        extents = self.session.xprop(dialog, "_NET_FRAME_EXTENTS")
        if "=" in extents:
            self.assertEqual([int(v) for v in extents.split("=")[1].split(",")], [0, 0, 0, 0])
        self.assert_face_on_top((x, y, w, h))
        return x, y, w, h

    def assert_face_on_top(self, rect):
        x, y, w, h = rect
        shot = self.session.screenshot()
        face = picture(PROGRESS_FACE)
        for fx, fy in ((1, 1), (w - 2, 1), (1, h - 2), (w - 2, h - 2), (w // 2, 1), (1, h // 2)):
            self.assertTrue(close_to(shot.pixel(x + fx, y + fy), face.rgb(fx, fy), 10),
                            "at (%d, %d) of the window: %s, not the face's %s"
                            % (fx, fy, shot.pixel(x + fx, y + fy), face.rgb(fx, fy)))

    # -- the page --------------------------------------------------------------------
    def show_page(self):
        """Starts the program on CLICK_TO_LOG_IN and waits until the page shows
        and the main window stands in place, at self.origin."""
        self.start(CLICK_TO_LOG_IN)
        self.assertTrue(wait_until(lambda: "shown" in self.portal.beacons, timeout=30), "the page never showed")
        self.origin = self.main_window_origin()
        time.sleep(0.8)

    def loads(self):
        """How often the page has loaded, for pages that send the beacon
        "loaded" each time."""
        return self.portal.beacons.count("loaded")

    def page_point(self, x, y):
        """The screen pixel of the browser's pixel (x, y), wherever the main
        window stands now."""
        x0, y0 = self.session.geometry(self.window)[:2]
        return x0 + BROWSER[0] + x, y0 + BROWSER[1] + y

    def click_page(self, x, y, button=1):
        self.session.click(*self.page_point(x, y), button=button)

    def reload_page(self):
        """Presses F5: the page has the keyboard from the time it shows."""
        self.session.run(["xdotool", "key", "F5"])

    def own_page_shown(self):
        """Whether the browser shows a page of the program's own. Its corner
        alone has the colour of the picture's panel, which shows there before
        the browser does; the button's warm face tells them apart."""
        x0, y0 = self.session.geometry(self.window)[:2]
        shot = self.session.screenshot()
        corner = shot.pixel(x0 + BROWSER[0] + 20, y0 + BROWSER[1] + 20)

        def warm(x, y):
            red, _, blue = shot.pixel(x0 + BROWSER[0] + x, y0 + BROWSER[1] + y)
            return red > blue + 30
        lines_on_the_button = {x for x, y in RETRY_FACE if warm(x, y)}
        return (max(abs(a - b) for a, b in zip(corner, OWN_PAGE_RGB)) < 24
                and len(lines_on_the_button) == 2)


class OfflineTestCase(LauncherTestCase):
    """The program built to find no portal at its address, for the tests of
    its windows alone: the login window shows the program's own page. A test
    finds it started, its main window in place at self.origin."""
    build = LAUNCHER_OFFLINE

    def make_portal(self):
        return None

    def setUp(self):
        super().setUp()
        self.start()
        self.origin = self.main_window_origin()
        time.sleep(1.0)
