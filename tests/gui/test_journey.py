"""The whole journey on the desktops beyond the four X11 ones: weston, sway,
mutter and KWin as Wayland sessions (with and without XWayland where both
run), and i3, a tiling window manager on X11, each on a screen smaller than
the program's picture with its margin (1280 x 800 and 1366 x 768 in turn:
each compositor gets both, one with XWayland and one without). On each, every
opaque pixel of the picture is on the screen, the program shows the
login page inside its frame at its place, a drag by the picture moves the
whole, a press on a clear pixel reaches the window below, the page has the
keyboard from the first key, the close button asks and the keyboard's
answers hold (each desktop ends the program with another of them), and a
partner's sign-in in a pop-up over the launcher hands off: the download
window stands over the launcher, the game launcher starts and the program
ends with 16. Where the compositor has no XWayland, or its X windows would not
stay where they ask to be (weston, sway), the program shows one window; on
GNOME's and KDE's compositors with XWayland, and on i3, the two windows of
X11.

The program is found on the screen by its page, all of one green; dialogs by
their faces, near where they should stand."""

import os
import subprocess
import time
import unittest

from pictures import (BROWSER, CLOSE, CONFIRMATION_SIZE, DOWNLOAD_SIZE, FIGURE, MAIN_SIZE, VISIBLE, close_to,
                      face_middle, off_screen, picture, under_login_item)
from portal import Portal
from program import (CLICK_TO_LOG_IN, FAKE_LAUNCHER, PAGE_RGB, PARTNER_RGB, PARTNER_SIZE, PAYLOAD_ARGS,
                     PROGRESS_FACE, LauncherRun, confirmation_keys, find_colour, serve_partner_sign_in)
from test_desktops import COLOUR, RGB, EventReader, SessionPerDesktop, start_i3_session
from wayland_session import DESKTOPS, DesktopUnavailable, SwaySession
from xsession import BUILD, DESKTOP, screenshot_path, wait_until

# The program as built for this suite: its portal has a port of its own, so
# that the suite runs beside the others.
PROGRAM = os.path.join(BUILD, "tests", "desktops", "login-launcher")
PORT = int(os.environ.get("LAUNCHER_TEST_PORT", "47120")) + 3
BACKGROUND = "155-background.png"
CONFIRMATION_FACE = "177-confirm-background.bmp"
# The screens the desktops take turns with: a handheld's and a small
# laptop's, smaller than the program's picture (1334 x 725 with its margin).
SMALL_SCREENS = [(1280, 800), (1366, 768)]


def calibration(session):
    """A pixel of the stand-in desktop, far from where the program shows:
    near the screen's bottom right corner."""
    return session.width - 40, session.height - 40

# How far a dialog may stand from the middle of the launcher: compositors
# place dialogs themselves, and some keep them clear of their panels.
CENTRED_WITHIN = 24


def towards_middle(start, size, screen, step):
    """How far a window of `size` at `start` moves on an axis of the screen
    when dragged `step` pixels towards the screen's middle, kept whole on the
    screen; not at all where it is larger than the screen."""
    if size > screen:
        return 0
    target = start - step if start + size // 2 > screen // 2 else start + step
    return min(max(target, 0), screen - size) - start


def find_page(shot, width, height):
    """The top left corner of the green page on the screen, or None: the
    first green pixel of a coarse grid, then walked back to the page's edges."""
    def green(x, y):
        return close_to(shot.pixel(x, y), PAGE_RGB, 8)
    for y in range(0, height, 16):
        for x in range(0, width, 16):
            if green(x, y):
                while x > 0 and green(x - 1, y):
                    x -= 1
                while y > 0 and green(x, y - 1):
                    y -= 1
                return x, y
    return None


def find_face(shot, face, near=None, reach=None):
    """Where the picture `face` shows with its top left corner within `reach`
    of `near`, or anywhere on the screen without them; None when it does
    not."""
    points = [(1, 1), (face.width - 2, 1), (1, face.height - 2), (face.width - 2, face.height - 2),
              (face.width // 2, 1), (1, face.height // 2)]
    expected = [face.rgb(x, y) for x, y in points]
    if near is None:
        height = len(shot.raw) // (3 * shot.width)
        places = ((x, y) for y in range(0, height - face.height) for x in range(0, shot.width - face.width))
    else:
        places = ((near[0] + dx, near[1] + dy) for dy in range(-reach, reach + 1) for dx in range(-reach, reach + 1))
    first = expected[0]
    for x, y in places:
        if close_to(shot.pixel(x + 1, y + 1), first, 10) and all(
                close_to(shot.pixel(x + px, y + py), colour, 10) for (px, py), colour in zip(points, expected)):
            return x, y
    return None


def opaque_points(count=30):
    """Opaque pixels of the picture that no item of the login window covers."""
    face = picture(BACKGROUND)
    found = [(x, y) for y in range(0, face.height, 23) for x in range(0, face.width, 29)
             if face.alpha(x, y) == 255 and not under_login_item(x, y)]
    return found[:: max(1, len(found) // count)][:count]


def clear_points(count=10):
    face = picture(BACKGROUND)
    found = [(x, y) for y in range(10, face.height - 10, 31) for x in range(10, face.width - 10, 37)
             if face.alpha(x, y) == 0 and not under_login_item(x, y)]
    return found[:: max(1, len(found) // count)][:count]


def sway_version():
    """sway's version as a tuple of numbers; () when it is not there."""
    try:
        words = subprocess.run(["sway", "--version"], capture_output=True, text=True, timeout=10).stdout.split()
    except OSError:
        return ()
    return tuple(int(part) for part in words[-1].split(".") if part.isdigit()) if words else ()


class JourneyChecks(SessionPerDesktop):
    """Its stand-in desktop fills the screen below the program."""

    def takes_presses_outside_input_region(self):
        return getattr(self.session, "name", "") == "sway" and sway_version() < (1, 10)

    def setUp(self):
        self.portal = Portal(PORT, FAKE_LAUNCHER)
        self.portal.__enter__()
        self.addCleanup(self.portal.__exit__, None, None, None)
        self.run_ = LauncherRun(self.session, self.portal, PROGRAM)
        self.addCleanup(self.run_.close)

    def keep(self, name):
        return self.session.screenshot(keep_as=screenshot_path("journey-%s-%s" % (type(self).__name__, name)))

    def start(self, login_page=CLICK_TO_LOG_IN):
        """Starts the program on the green page that logs in when clicked
        (or on `login_page`, None: the one the portal has), and answers
        where its picture stands, once the page shows there."""
        if login_page is not None:
            self.portal.pages["/url/weiduan.php"] = login_page
        run = self.run_
        # As many sway and Hyprland set-ups export it: it must not keep the
        # program from X11 where X11 is the better way.
        run.process = subprocess.Popen(run.command(), cwd=run.work_dir, env=dict(run.env, GDK_BACKEND="wayland"),
                                       stderr=run.stderr, start_new_session=True)
        self.assertTrue(wait_until(lambda: "shown" in self.portal.beacons, timeout=40),
                        "the page never showed: %s" % run.errors())
        return self.wait_in_place()

    def wait_in_place(self, previous=None):
        """Where the picture stands once the page shows whole and still."""
        def settled():
            first = find_page(self.session.screenshot(), self.session.width, self.session.height)
            time.sleep(0.3)
            second = find_page(self.session.screenshot(), self.session.width, self.session.height)
            return first == second and first is not None and first != previous and first
        corner = wait_until(settled, timeout=20, interval=0.2)
        self.assertTrue(corner, "the page is not on the screen")
        return corner[0] - BROWSER[0], corner[1] - BROWSER[1]

    def assert_shows_at(self, origin, name):
        shot = self.keep(name)
        x0, y0 = origin
        # The page fills the browser's place exactly, inside the frame.
        for px, py in [(0, 0), (BROWSER[2] - 1, 0), (0, BROWSER[3] - 1), (BROWSER[2] - 1, BROWSER[3] - 1)]:
            self.assertTrue(close_to(shot.pixel(x0 + BROWSER[0] + px, y0 + BROWSER[1] + py), PAGE_RGB, 8),
                            "the page's corner %s shows %s" % ((px, py), shot.pixel(x0 + BROWSER[0] + px, y0 + BROWSER[1] + py)))
        for px, py in [(-1, 0), (0, -1), (BROWSER[2], BROWSER[3] - 1), (BROWSER[2] - 1, BROWSER[3])]:
            self.assertFalse(close_to(shot.pixel(x0 + BROWSER[0] + px, y0 + BROWSER[1] + py), PAGE_RGB, 8),
                             "the page reaches past its place at %s" % ((px, py),))
        face = picture(BACKGROUND)
        for px, py in opaque_points():
            self.assertTrue(close_to(shot.pixel(x0 + px, y0 + py), face.rgb(px, py), 12),
                            "the picture's pixel %s shows %s, not %s"
                            % ((px, py), shot.pixel(x0 + px, y0 + py), face.rgb(px, py)))

    def press_close(self, origin):
        x, y = face_middle(CLOSE)
        self.session.click(origin[0] + x, origin[1] + y)

    # Whether the desktop centres a modal dialog over its owner: weston and
    # mutter without GNOME Shell place dialogs where they place any window,
    # and a Wayland window cannot place itself.
    centres_dialogs = True

    def dialog_over(self, origin, face_name, size):
        """Where the dialog with that face stands, once it shows near the
        middle of the launcher (or anywhere, on a desktop that places dialogs
        as it likes); fails when it does not."""
        face = picture(face_name)
        near = (origin[0] + (MAIN_SIZE[0] - size[0]) // 2, origin[1] + (MAIN_SIZE[1] - size[1]) // 2)
        if self.centres_dialogs:
            found = wait_until(lambda: find_face(self.session.screenshot(), face, near, CENTRED_WITHIN),
                               timeout=15, interval=0.3)
            self.assertTrue(found, "no %s within %d pixels of %s" % (face_name, CENTRED_WITHIN, near))
        else:
            found = wait_until(lambda: find_face(self.session.screenshot(), face), timeout=20, interval=0.3)
            self.assertTrue(found, "no %s on the screen" % face_name)
        return found

    def x11_windows(self):
        """The program's windows on the session's X display, mapped."""
        if "DISPLAY" not in self.session.env:
            return []
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "com.tharnvale.LoginLauncher"],
                               env=self.session.env, capture_output=True, text=True, timeout=30).stdout
        return found.split()

    # -- the checks ------------------------------------------------------------------
    def test_shows_two_x11_windows_only_where_the_desktop_keeps_x_windows_in_place(self):
        self.start()
        if self.two_x11_windows:
            self.assertEqual(len(self.x11_windows()), 2)
        else:
            self.assertEqual(self.x11_windows(), [])

    def test_page_shows_inside_the_frame_at_its_place_with_the_picture_on_the_small_screen(self):
        origin = self.start()
        self.assert_shows_at(origin, "page")
        cut = off_screen(origin, (self.session.width, self.session.height))
        self.assertEqual(cut, (0, 0, 0, 0), "the picture's opaque pixels reach past the screen's edges "
                                            "(left, top, right, bottom) with the window at %s" % (origin,))

    def test_drag_by_the_face_moves_the_whole(self):
        origin = self.start()
        start = (origin[0] + FIGURE[0], origin[1] + FIGURE[1])
        # Towards the screen's middle, and only as far as keeps the window
        # whole on the screen: desktops keep windows from leaving it. The one
        # window of a desktop that places it is only as large as the
        # picture's visible part where the whole would not fit the screen.
        screen = (self.session.width, self.session.height)
        corner, size = (0, 0), MAIN_SIZE
        if not self.two_x11_windows and (MAIN_SIZE[0] > screen[0] or MAIN_SIZE[1] > screen[1]):
            corner, size = VISIBLE[:2], VISIBLE[2:]
        dx = towards_middle(origin[0] + corner[0], size[0], screen[0], 120)
        dy = towards_middle(origin[1] + corner[1], size[1], screen[1], 70)
        self.session.drag(start, (start[0] + dx, start[1] + dy))
        moved = self.wait_in_place(previous=(origin[0] + BROWSER[0], origin[1] + BROWSER[1]))
        self.assertEqual(moved, (origin[0] + dx, origin[1] + dy))
        self.assert_shows_at(moved, "dragged")

    def desktop_offset(self, origin):
        """Where the stand-in desktop's corner stands on the screen: a Wayland
        window knows only its own places. Found by a click on the desktop
        beside the program's window (its picture at `origin`): near the
        screen's bottom right corner, or where a window as large as the
        screen leaves room above, below or beside it."""
        self.events.wait_for("click", 100, timeout=0.3)  # whatever came before
        width, height = self.session.width, self.session.height
        left, top = origin
        right, bottom = left + MAIN_SIZE[0], top + MAIN_SIZE[1]
        points = [calibration(self.session), (width - 40, top // 2), (width - 40, (bottom + height) // 2),
                  (left // 2, height - 40), ((right + width) // 2, height - 40)]
        for point in points:
            if not (0 <= point[0] < width and 0 <= point[1] < height):
                continue
            self.session.click(*point)
            clicks = self.events.wait_for("click", 1)
            if clicks:
                return point[0] - clicks[0][0], point[1] - clicks[0][1]
        self.fail("the desktop took no click at any of %s" % (points,))

    def test_press_on_a_clear_pixel_reaches_what_lies_below(self):
        if self.takes_presses_outside_input_region():
            self.skipTest("sway before 1.10 takes a press outside a floating window's input region "
                          "itself (swaywm/sway#6935); the program sets its input region all the same")
        origin = self.start()
        dx, dy = self.desktop_offset(origin)
        px, py = clear_points()[3]
        x, y = origin[0] + px, origin[1] + py
        self.session.click(x, y)
        self.assertEqual(self.events.wait_for("click", 1), [(x - dx, y - dy)])
        self.assertIsNone(self.run_.process.poll())

    def test_keys_reach_the_page_and_answer_the_confirmation(self):
        origin = self.start()
        # Typed before any click: the page's autofocus field has them.
        self.type_key("t", "h", "a", "r", "n", "Return")
        self.assertTrue(wait_until(lambda: "typed=tharn" in self.portal.beacons, timeout=10),
                        "the page's field got no keys: %s" % self.portal.beacons)
        for keys, ends in confirmation_keys(self.turn):
            self.press_close(origin)
            self.dialog_over(origin, CONFIRMATION_FACE, CONFIRMATION_SIZE)
            self.keep("confirmation")
            self.type_key(*keys)
            if ends:
                self.assertEqual(self.run_.exit_code(timeout=15), 16, "%s did not end the program" % (keys,))
                break
            time.sleep(1.5)
            self.assertIsNone(self.run_.process.poll(), "%s ended the program" % (keys,))
            self.assertIsNone(find_face(self.session.screenshot(), picture(CONFIRMATION_FACE)),
                              "the confirmation stayed after %s" % (keys,))
        self.assertFalse(self.run_.has_started_launcher())

    def partner_popup_over(self, origin):
        """Where the partner's pop-up shows its page, whole, at the size the
        page asked for (and over the launcher's middle, where the desktop
        centres dialogs); fails when it does not."""
        def whole():
            found = find_colour(self.session.screenshot(), PARTNER_RGB, self.session.width, self.session.height)
            return found if found is not None and found[2:] == PARTNER_SIZE else None
        found = wait_until(whole, timeout=20, interval=0.3)
        if not found:
            self.keep("partner-missing")
        self.assertTrue(found, "the partner's pop-up is not on the screen, whole")
        if self.centres_dialogs:
            middle = (found[0] + found[2] // 2, found[1] + found[3] // 2)
            self.assertLessEqual(abs(middle[0] - (origin[0] + MAIN_SIZE[0] // 2)), CENTRED_WITHIN + 30,
                                 "the pop-up's middle %s is far from the launcher's" % (middle,))
        return found

    def test_partner_signs_in_in_a_popup_and_the_download_window_stands_over_the_launcher(self):
        # Long enough for a look over the whole screen, on a desktop that
        # puts the window anywhere.
        self.portal.launcher_seconds = 3.0 if self.centres_dialogs else 10.0
        serve_partner_sign_in(self.portal)
        origin = self.start(login_page=None)
        self.session.click(origin[0] + BROWSER[0] + 200, origin[1] + BROWSER[1] + 200)
        self.session.park_pointer()
        x, y, _, _ = self.partner_popup_over(origin)
        self.keep("partner")
        self.assertIn("partner got welcome", self.portal.beacons)
        self.session.click(x + 100, y + 100)
        self.dialog_over(origin, PROGRESS_FACE, DOWNLOAD_SIZE)
        self.keep("download")
        self.assertEqual(self.run_.started_with(timeout=30), [PAYLOAD_ARGS])
        self.assertEqual(self.run_.exit_code(timeout=15), 16)


def with_desktop(session):
    """Shows the stand-in desktop on `session`, as large as the desktop lets
    a window be, and answers the reader of its clicks."""
    desktop = session.spawn([DESKTOP, COLOUR, "maximized"], stdout=subprocess.PIPE, text=True)
    if desktop.stdout.readline().strip() != "mapped":
        raise DesktopUnavailable("the test desktop did not map")
    wait_until(lambda: close_to(session.screenshot().pixel(*calibration(session)), RGB), timeout=30,
               interval=0.3)
    session.park_pointer()
    return EventReader(desktop.stdout)


def wayland_case(session_class, xwayland, turn):
    class Case(JourneyChecks, unittest.TestCase):
        # On mutter and KWin with XWayland, the program's X windows centre
        # their dialogs themselves.
        centres_dialogs = session_class.name in ("sway", "kwin") or (
            session_class.name == "mutter" and xwayland)
        two_x11_windows = xwayland and session_class.name in ("mutter", "kwin")

        @classmethod
        def start_session(cls):
            session = session_class(xwayland=xwayland, screen=SMALL_SCREENS[turn % 2]).__enter__()
            try:
                return session, with_desktop(session)
            except BaseException:
                session.__exit__(None, None, None)
                raise

        def type_key(self, *names):
            self.session.key(*names)
    Case.turn = turn
    return Case


for turn, (name, session_class, xwayland) in enumerate(DESKTOPS):
    globals()["JourneyOn" + name] = type("JourneyOn" + name, (wayland_case(session_class, xwayland, turn),), {})


class FractionalScaleOnSway(unittest.TestCase):
    """sway's output at 1.5: GTK draws the window at 2, with the 2x artwork,
    and sway scales it down to 1.5 screen pixels a unit."""
    SCALE = 1.5

    @classmethod
    def setUpClass(cls):
        class Session(SwaySession):
            scale = cls.SCALE
        try:
            # The screen's 1920 x 1080 units, so that the window fits.
            cls.session = Session(screen=(2880, 1620)).__enter__()
        except DesktopUnavailable as e:
            raise unittest.SkipTest(str(e))

    @classmethod
    def tearDownClass(cls):
        cls.session.__exit__(None, None, None)

    def test_window_keeps_its_layout_and_the_picture_is_sharp(self):
        portal = Portal(PORT, FAKE_LAUNCHER)
        portal.__enter__()
        self.addCleanup(portal.__exit__, None, None, None)
        run = LauncherRun(self.session, portal, PROGRAM)
        self.addCleanup(run.close)
        portal.pages["/url/weiduan.php"] = CLICK_TO_LOG_IN
        run.process = subprocess.Popen(run.command(), cwd=run.work_dir, env=run.env, stderr=run.stderr,
                                       start_new_session=True)
        self.assertTrue(wait_until(lambda: "shown" in portal.beacons, timeout=40), run.errors())
        windows = wait_until(lambda: [w for w in self.session.windows() if w["title"] == "Tharnvale"], 10)
        self.assertTrue(windows, "no window of the program's among %s" % self.session.windows())
        x, y, w, h = windows[0]["rect"]
        self.assertEqual((w, h), MAIN_SIZE)
        time.sleep(1.0)
        shot = self.session.screenshot(keep_as=screenshot_path("journey-FractionalScaleOnSway-page"))
        # The page fills its place at 1.5 screen pixels a unit.
        left, top = round((x + BROWSER[0]) * self.SCALE), round((y + BROWSER[1]) * self.SCALE)
        right = round((x + BROWSER[0] + BROWSER[2]) * self.SCALE) - 1
        bottom = round((y + BROWSER[1] + BROWSER[3]) * self.SCALE) - 1
        for px, py in [(left + 2, top + 2), (right - 2, top + 2), (left + 2, bottom - 2), (right - 2, bottom - 2)]:
            self.assertTrue(close_to(shot.pixel(px, py), PAGE_RGB, 8), "at %s: %s" % ((px, py), shot.pixel(px, py)))
        # The picture as the 2x artwork shrunk to 1.5: close to it, pixel for
        # pixel, where it is flat enough to tell.
        face = picture("155-background@2x.png")
        near = 0
        points = opaque_points()
        for px, py in points:
            sx, sy = round((x + px) * self.SCALE), round((y + py) * self.SCALE)
            near += close_to(shot.pixel(sx, sy), face.rgb(px * 2, py * 2), 40)
        self.assertGreaterEqual(near, len(points) * 2 // 3)


class JourneyOnI3(JourneyChecks, unittest.TestCase):
    two_x11_windows = True
    turn = len(DESKTOPS)

    @staticmethod
    def start_session():
        return start_i3_session(SMALL_SCREENS[JourneyOnI3.turn % 2])

    def type_key(self, *names):
        self.session.run(["xdotool", "key"] + list(names))


if __name__ == "__main__":
    unittest.main()
