"""The login window's picture buttons and the exit confirmation, as a player
sees and uses them on each desktop the tests know."""

import os
import subprocess
import time
import unittest

from xsession import SessionPerClass, close_to, for_each_desktop, wait_until

RES = os.path.join(os.path.dirname(__file__), "../../res")
CLOSE = (1208, 115, 54)     # x, y and cell size in the window
MINIMISE = (1173, 137, 39)


def strip_pixel(name, x, y):
    raw = subprocess.run(["convert", os.path.join(RES, name), "-depth", "8",
                          "-crop", "1x1+%d+%d" % (x, y), "rgba:-"],
                         check=True, capture_output=True).stdout
    return tuple(raw[:3])


def bitmap_pixel(x, y):
    raw = subprocess.run(["convert", os.path.join(RES, "177-confirm-background.bmp"), "-depth", "8",
                          "-crop", "1x1+%d+%d" % (x, y), "rgb:-"],
                         check=True, capture_output=True).stdout
    return tuple(raw[:3])


class Buttons(SessionPerClass):
    def setUp(self):
        self.launcher = self.session.start_launcher()
        self.window = self.session.find_window("Tharnvale")
        self.origin = self.session.wait_geometry(self.window, lambda g: g[2] == 1334)[:2]
        time.sleep(1.0)
        self.session.run(["xdotool", "mousemove", "5", "5"])
        time.sleep(0.3)

    def tearDown(self):
        if self.launcher.poll() is None:
            self.launcher.kill()
        self.launcher.wait(timeout=10)

    def at(self, button, dx=None, dy=None):
        x, y, size = button
        return (self.origin[0] + x + (size // 2 if dx is None else dx),
                self.origin[1] + y + (size // 2 if dy is None else dy))

    def face_shows(self, button, strip, cell):
        size = button[2]
        point = self.at(button, size // 2, size // 2 + 4)
        expected = strip_pixel(strip, size // 2, cell * size + size // 2 + 4)
        return close_to(self.session.screenshot().pixel(*point), expected, 6)

    def test_each_face_shows_in_its_state(self):
        for button, strip in ((CLOSE, "160-close.png"), (MINIMISE, "162-minimise.png")):
            self.assertTrue(self.face_shows(button, strip, 0), "normal face of %s" % strip)
            self.session.run(["xdotool", "mousemove", *map(str, self.at(button))])
            self.assertTrue(wait_until(lambda: self.face_shows(button, strip, 1), 3), "hover face of %s" % strip)
            self.session.run(["xdotool", "mousedown", "1"])
            self.assertTrue(wait_until(lambda: self.face_shows(button, strip, 2), 3), "pressed face of %s" % strip)
            # Released elsewhere: no click, back to normal.
            self.session.run(["xdotool", "mousemove", "5", "5", "mouseup", "1"])
            self.assertTrue(wait_until(lambda: self.face_shows(button, strip, 0), 3))
        self.assertIsNone(self.launcher.poll())
        self.assertEqual(self.session.geometry(self.window)[:2], self.origin)

    def test_minimise_takes_both_windows_to_the_task_bar_and_back(self):
        self.session.click(*self.at(MINIMISE))
        hidden = wait_until(lambda: "HIDDEN" in self.session.xprop(self.window, "_NET_WM_STATE"), 5)
        self.assertTrue(hidden, "the main window was not minimised")
        self.assertFalse(self.visible_login_windows())
        self.session.run(["wmctrl", "-a", "Tharnvale"])
        self.assertTrue(wait_until(lambda: "HIDDEN" not in self.session.xprop(self.window, "_NET_WM_STATE"), 5))
        self.assertTrue(wait_until(self.visible_login_windows, 5), "the login window did not come back")
        self.assertIsNone(self.launcher.poll())

    def visible_login_windows(self):
        ids = self.session.program_windows()
        return [w for w in ids if w != self.window]

    def open_confirmation(self):
        self.session.click(*self.at(CLOSE))
        dialog = self.session.find_window("关闭游戏", timeout=5)
        geometry = self.session.wait_geometry(dialog, lambda g: g[2:] == (256, 110))
        time.sleep(0.4)
        return dialog, geometry

    def test_confirmation_looks_right_and_cancel_keeps_running(self):
        dialog, (x, y, w, h) = self.open_confirmation()
        self.assertEqual((w, h), (256, 110))
        main = self.session.geometry(self.window)
        self.assertLessEqual(abs(x - (main[0] + (main[2] - w) // 2)), 1)
        self.assertLessEqual(abs(y - (main[1] + (main[3] - h) // 2)), 1)
        shot = self.session.screenshot(keep_as=self.keep("confirmation"))
        # The bitmap 1:1, and white text on it in the title band and the
        # question's place, with no rectangle of another colour behind it.
        self.assertTrue(close_to(shot.pixel(x + 4, y + 105), bitmap_pixel(4, 105), 6))
        self.assertTrue(close_to(shot.pixel(x + 128, y + 68), bitmap_pixel(128, 68), 6))
        white = lambda x0, y0, x1, y1: sum(
            1 for px in range(x0, x1) for py in range(y0, y1) if min(shot.pixel(x + px, y + py)) > 235)
        self.assertGreater(white(79, 10, 179, 40), 20, "no white title")
        self.assertGreater(white(28, 34, 228, 60), 40, "no white question")
        self.session.click(x + 150, y + 80)
        self.assertTrue(wait_until(lambda: not self.dialog_shown(), 5))
        time.sleep(0.5)
        self.assertIsNone(self.launcher.poll())

    def test_escape_cancels(self):
        dialog, _ = self.open_confirmation()
        self.session.key(dialog, "Escape")
        self.assertTrue(wait_until(lambda: not self.dialog_shown(), 5))
        time.sleep(0.5)
        self.assertIsNone(self.launcher.poll())

    def test_window_manager_close_cancels(self):
        self.open_confirmation()
        self.session.run(["wmctrl", "-c", "关闭游戏"])
        self.assertTrue(wait_until(lambda: not self.dialog_shown(), 5))
        time.sleep(0.5)
        self.assertIsNone(self.launcher.poll())

    def test_confirm_left_of_the_cancel_button_quits_with_16(self):
        _, (x, y, _, _) = self.open_confirmation()
        self.session.click(x + 120, y + 80)
        self.assertEqual(self.launcher.wait(timeout=10), 16)

    def dialog_shown(self):
        return self.session.run(["xdotool", "search", "--onlyvisible", "--name", "^关闭游戏$"],
                                check=False).stdout.strip() != ""

    def keep(self, name):
        folder = os.environ.get("LAUNCHER_SCREENSHOTS")
        if not folder:
            return None
        os.makedirs(folder, exist_ok=True)
        return os.path.join(folder, "buttons-%s-%s.png" % (type(self).__name__, name))


for_each_desktop(Buttons, globals())
del Buttons

if __name__ == "__main__":
    unittest.main()
