"""What the player sees on each desktop (openbox with and without a
compositing manager, xfwm4, metacity) while the program's windows work
together: the two windows dragged as one either way, and the confirmation,
the download window and a message standing over the page, centred on the
main window wherever it was dragged. The page stays in sight throughout, and
no pixel of the login window's old key colour ever shows."""

import os
import time
import unittest

from pictures import BROWSER, CLOSE, FIGURE, MINIMISE, close_to, face_middle, inside, off_centre
from program import LauncherTestCase, PAYLOAD_ARGS
from xsession import CONFIRMATION_TITLE, DOWNLOAD_TITLE, START_FAILED_TITLE, for_each_desktop, wait_until

# The login window's old key colour, which must never show.
KEY_RGB = (255, 255, 0)


def is_page_green(rgb):
    r, g, b = rgb
    return g > 90 and g > r * 1.6 and g > b * 1.3


class Stacking(LauncherTestCase):
    suite = "stacking"

    def setUp(self):
        super().setUp()
        self.session.park_pointer()

    def drag_main_window(self, dx, dy):
        """Drags the main window by its picture (the figure's cloak), and
        waits until both windows stand at the new place."""
        x0, y0 = self.origin
        grab = (x0 + FIGURE[0], y0 + FIGURE[1])
        self.session.drag(grab, (grab[0] + dx, grab[1] + dy))
        target = (x0 + dx, y0 + dy)
        self.session.wait_geometry(self.window, lambda g: g[:2] == target)
        self.assertEqual(self.session.geometry(self.window)[:2], target)
        login = self.login_window()
        wait_until(lambda: self.session.geometry(login)[:2] == target, timeout=5)
        self.assertEqual(self.session.geometry(login)[:2], target)
        self.origin = target
        self.session.park_pointer()
        time.sleep(0.5)

    def browser_points(self, step=23):
        x0, y0 = self.origin
        bx, by, bw, bh = BROWSER
        return [(x0 + bx + dx, y0 + by + dy) for dx in range(4, bw - 4, step) for dy in range(4, bh - 4, step)]

    def assert_page_in_sight(self, shot, covered=None):
        """No key colour anywhere in the browser's place, and the page's own
        green everywhere a dialog (and its frame) does not cover. A window
        manager may dim the page under a modal dialog (metacity does): it is
        still the page."""
        points = self.browser_points()
        keyed = [p for p in points if close_to(shot.pixel(*p), KEY_RGB, 40)]
        self.assertFalse(keyed, "key colour at %s" % keyed[:5])
        if covered:
            x, y, w, h = covered
            covered = (x - 12, y - 40, w + 24, h + 52)
        visible = [p for p in points if not (covered and inside(p, covered))]
        hidden = [p for p in visible if not is_page_green(shot.pixel(*p))]
        self.assertLess(len(hidden), len(visible) // 50 + 1,
                        "the page is hidden at %s (%s)" % (hidden[:5], [shot.pixel(*p) for p in hidden[:5]]))

    def assert_centred_on_main_window(self, dialog):
        x, y, w, h = self.session.geometry(dialog)
        main = self.session.geometry(self.window)
        dx, dy = off_centre((x, y, w, h), main)
        # Window managers differ by a few pixels in where frame and centre lie.
        self.assertLessEqual(abs(dx), 8, "dialog at %s, main at %s" % ((x, y), main[:2]))
        self.assertLessEqual(abs(dy), 40, "dialog at %s, main at %s" % ((x, y), main[:2]))
        return x, y, w, h

    # -- the tests -----------------------------------------------------------
    def test_windows_move_as_one_whichever_leads(self):
        self.show_page()
        self.drag_main_window(-120, -70)
        # The login window leads once the pointer was over it: move it as a
        # window manager would, and the main window follows.
        login = self.login_window()
        x0, y0 = self.origin
        self.session.move_pointer(x0 + 800, y0 + 400)
        time.sleep(0.3)
        self.session.move_window(login, x0 + 60, y0 + 40)
        target = (x0 + 60, y0 + 40)
        wait_until(lambda: self.session.geometry(self.window)[:2] == target, timeout=5)
        self.assertEqual(self.session.geometry(self.window)[:2], target)
        self.assertEqual(self.session.geometry(login)[:2], target)

    def test_confirmation_stands_over_the_page_and_its_buttons(self):
        self.show_page()
        self.drag_main_window(-200, -100)
        x0, y0 = self.origin
        # The minimise button's face, as it looks with nothing over it.
        face_at = (x0 + MINIMISE[0] + MINIMISE[2] // 2, y0 + MINIMISE[1] + 12)
        face = self.session.screenshot().pixel(*face_at)
        close = face_middle(CLOSE)
        self.session.click(x0 + close[0], y0 + close[1])
        dialog = self.session.find_window(CONFIRMATION_TITLE, timeout=10)
        time.sleep(0.8)
        rect = self.assert_centred_on_main_window(dialog)
        shot = self.keep_screenshot("confirmation")
        self.assert_page_in_sight(shot, covered=rect)
        self.assertTrue(close_to(shot.pixel(*face_at), face, 8),
                        "the minimise button shows %s, not its face %s" % (shot.pixel(*face_at), face))
        self.session.key(dialog, "Escape")
        self.assertTrue(wait_until(lambda: not self.session.window_shown(CONFIRMATION_TITLE), 5))
        self.assert_keeps_running(0.5)

    def test_download_window_stands_over_the_held_page(self):
        self.portal.launcher_seconds = 6.0
        self.show_page()
        self.drag_main_window(-150, 80)
        self.click_page(300, 200)
        progress = self.session.find_window(DOWNLOAD_TITLE, timeout=10)
        time.sleep(1.0)
        rect = self.assert_centred_on_main_window(progress)
        for _ in range(3):
            self.assert_page_in_sight(self.session.screenshot(), covered=rect)
            time.sleep(0.4)
        self.keep_screenshot("download")
        self.assertEqual(self.started_with(timeout=30), [PAYLOAD_ARGS])
        self.assert_exits_with(16)

    def test_start_failure_message_stands_over_the_held_page(self):
        # A launcher that is there but cannot run.
        launcher = os.path.join(self.program.program_dir, "vuntek_qx_launch.exe")
        with open(launcher, "wb") as broken:
            broken.write(b"not a program")
        os.chmod(launcher, 0o644)
        self.show_page()
        self.drag_main_window(150, -60)
        self.click_page(300, 200)
        message = self.session.find_window(START_FAILED_TITLE, timeout=10)
        time.sleep(1.0)
        rect = self.assert_centred_on_main_window(message)
        self.assert_page_in_sight(self.session.screenshot(), covered=rect)
        self.keep_screenshot("start-failure")
        self.session.key(message, "Return")
        self.assert_exits_with(16)

    def test_page_process_death_never_shows_the_key_colour(self):
        self.show_page()
        count = len(self.portal.beacons)
        self.program.kill_page_processes()
        deadline = time.monotonic() + 2.0
        while time.monotonic() < deadline:
            shot = self.session.screenshot()
            keyed = [p for p in self.browser_points() if close_to(shot.pixel(*p), KEY_RGB, 40)]
            self.assertFalse(keyed, "key colour at %s after the page's process died" % keyed[:5])
        self.assertTrue(wait_until(lambda: len(self.portal.beacons) > count, timeout=20),
                        "the page did not come back")
        time.sleep(0.8)
        self.assert_page_in_sight(self.session.screenshot())


for_each_desktop(Stacking, globals())
del Stacking

if __name__ == "__main__":
    unittest.main()
