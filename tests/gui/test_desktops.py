"""The desktops the window tests can run on, each checked with the stand-in
desktop window alone: the screen shows its colour, a click lands where it was
made, and keys reach the window with the keyboard focus. The Wayland ones
(weston, sway, mutter, KWin, each with and without XWayland) show it as a
native Wayland window; i3 is an X11 window manager on Xvfb. A desktop that
cannot run here is skipped, saying what failed."""

import os
import select
import shutil
import subprocess
import time
import unittest

from pictures import close_to
from wayland_session import DESKTOPS, DesktopUnavailable
from xsession import DESKTOP, HEIGHT, WIDTH, XSession, screenshot_path, wait_until

# Not the colour the other suites give the desktop, so that a screenshot
# of this suite is told apart at a glance.
RGB = (0x40, 0xA0, 0x60)
COLOUR = "#%02x%02x%02x" % RGB
# Where the tests look and click: away from corners and edges, where panels
# and hot corners are.
POINTS = [(300, 400), (960, 540), (1500, 900)]


class EventReader:
    """The lines the stand-in desktop prints ("click X Y", "key NAME"), read
    as they come."""

    def __init__(self, stdout):
        # Read straight from the pipe: a buffered reader would hold lines
        # that select() no longer reports.
        self.fd = stdout.fileno()
        self.pending = b""

    def wait_for(self, kind, count, timeout=15.0):
        """Up to `count` events of `kind`, waiting at most `timeout` seconds
        for all of them."""
        found = []
        deadline = time.monotonic() + timeout
        while len(found) < count and time.monotonic() < deadline:
            while b"\n" in self.pending and len(found) < count:
                line, self.pending = self.pending.split(b"\n", 1)
                words = line.decode().split()
                if words and words[0] == kind:
                    found.append(tuple(int(w) if w.isdigit() else w for w in words[1:]))
            ready, _, _ = select.select([self.fd], [], [], 0.1)
            if ready:
                chunk = os.read(self.fd, 4096)
                if not chunk:
                    break
                self.pending += chunk
        return found


def filled(shot):
    """Whether the desktop's colour reaches the screen's edges (away from
    the pointer, parked at the top left corner)."""
    return all(close_to(shot.pixel(x, y), RGB) for x, y in [(1910, 10), (10, 1070), (1910, 1070)])


class SessionPerDesktop:
    """One session for all the tests of a class: `start_session()` gives it
    and the reader of its stand-in desktop. A desktop that cannot run here
    skips the class, saying why."""

    @classmethod
    def setUpClass(cls):
        cls.session = None
        try:
            cls.session, cls.events = cls.start_session()
        except DesktopUnavailable as e:
            raise unittest.SkipTest(str(e))

    @classmethod
    def tearDownClass(cls):
        if cls.session is not None:
            cls.session.__exit__(None, None, None)


class DesktopChecks(SessionPerDesktop):
    def test_screen_shows_the_desktop(self):
        # A nested compositor draws its pointer into the screen.
        self.session.move_pointer(1900, 20)
        def desktop_shown():
            shot = self.session.screenshot()
            return all(close_to(shot.pixel(x, y), RGB) for x, y in POINTS)
        shown = wait_until(desktop_shown, timeout=20, interval=0.3)
        shot = self.session.screenshot(keep_as=screenshot_path("desktops-%s-screen" % type(self).__name__))
        self.assertTrue(shown, "the screen shows %s at %s, not the desktop's %s" % (
            [shot.pixel(x, y) for x, y in POINTS], POINTS, RGB))

    def test_clicks_land_where_they_were_made(self):
        for x, y in POINTS:
            self.session.click(x, y)
            self.assertEqual(self.events.wait_for("click", 1), [(x, y)])

    def test_keys_reach_the_focused_window(self):
        self.type_keys("Escape", "Return")
        self.assertEqual(self.events.wait_for("key", 2), [("Escape",), ("Return",)])


def wayland_case(session_class, xwayland):
    class Case(DesktopChecks, unittest.TestCase):
        @classmethod
        def start_session(cls):
            session = session_class(xwayland=xwayland).__enter__()
            try:
                desktop = session.spawn([DESKTOP, COLOUR], stdout=subprocess.PIPE, text=True)
                ready, _, _ = select.select([desktop.stdout], [], [], 60)
                if not ready or desktop.stdout.readline().strip() != "mapped":
                    raise DesktopUnavailable("the test desktop did not map on %s" % session.name)
                # It maps before it is full screen, where its places are
                # not yet the screen's.
                wait_until(lambda: filled(session.screenshot()), timeout=30, interval=0.3)
            except BaseException:
                session.__exit__(None, None, None)
                raise
            return session, EventReader(desktop.stdout)

        def type_keys(self, *keys):
            self.session.key(*keys)

        def test_started_in_time(self):
            # Not a speed target: how long it took goes in the log.
            print("%s started in %.2f s" % (session_class.name, self.session.started_in))
            self.assertEqual(self.session.env.get("DISPLAY") is not None, xwayland)

    if session_class.name == "sway":
        def test_tells_where_its_windows_are(self):
            windows = self.session.windows()
            self.assertIn(("test-desktop", (0, 0, 1920, 1080)),
                          [(w["app_id"], w["rect"]) for w in windows])
        Case.test_tells_where_its_windows_are = test_tells_where_its_windows_are
    return Case


for name, session_class, xwayland in DESKTOPS:
    globals()["DesktopOf" + name] = type("DesktopOf" + name, (wayland_case(session_class, xwayland),), {})


def start_i3_session(screen=(WIDTH, HEIGHT)):
    """i3 with its stock configuration, as a player has it, and the reader of
    its stand-in desktop."""
    if not shutil.which("i3"):
        raise DesktopUnavailable("i3 is not installed")
    session = XSession("i3", screen=screen, desktop_rgb=RGB).__enter__()
    return session, EventReader(session.desktop.stdout)


class DesktopOfI3(DesktopChecks, unittest.TestCase):
    start_session = staticmethod(start_i3_session)

    def type_keys(self, *keys):
        self.session.key(self.session.find_window("test-desktop"), *keys)

    def test_tells_where_its_windows_are(self):
        windows = self.session.windows()
        self.assertIn(("Test-desktop", False), [(w["class"], w["floating"]) for w in windows])


if __name__ == "__main__":
    unittest.main()
