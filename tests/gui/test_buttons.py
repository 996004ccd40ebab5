"""The login window's picture buttons and the exit confirmation, as a player
sees and uses them, with the pointer and with the keyboard, on each desktop
the tests know; and what a screen reader reads on them."""

import time
import unittest

from accessibility import AccessibilityBus
from pictures import (BUTTONS, CANCEL, CANCEL_FACE, CLOSE, CONFIRM_FACE, CONFIRMATION_SIZE, MINIMISE, close_to,
                      face_middle, focus_marked, off_centre, picture)
from program import OfflineTestCase, confirmation_keys
from xsession import CONFIRMATION_TITLE, DESKTOPS, MAIN_TITLE, for_each_desktop, wait_until

CONFIRMATION_FACE = "177-confirm-background.bmp"


class Buttons(OfflineTestCase):
    suite = "buttons"

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.bus = AccessibilityBus(cls.session.env).__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.bus.__exit__(None, None, None)
        super().tearDownClass()

    def setUp(self):
        super().setUp()
        self.session.park_pointer()
        time.sleep(0.3)

    def start(self, login_page=None, env=None):
        # The program finds the accessibility bus through the session bus.
        return super().start(login_page, dict(env or {}, DBUS_SESSION_BUS_ADDRESS=self.bus.address))

    def at(self, button):
        """The middle of a button's face on the screen."""
        x, y = face_middle(button)
        return self.origin[0] + x, self.origin[1] + y

    def face_shows(self, button, strip, cell):
        """Whether the button shows face `cell` of its strip, a little below
        the face's middle."""
        size = button[2]
        x, y = self.at(button)
        expected = picture(strip + ".png").rgb(size // 2, cell * size + size // 2 + 4)
        return close_to(self.session.screenshot().pixel(x, y + 4), expected, 6)

    def test_each_face_shows_in_its_state(self):
        for button, strip in BUTTONS:
            self.assertTrue(self.face_shows(button, strip, 0), "normal face of %s" % strip)
            self.session.move_pointer(*self.at(button))
            self.assertTrue(wait_until(lambda: self.face_shows(button, strip, 1), 3), "hover face of %s" % strip)
            self.session.press()
            self.assertTrue(wait_until(lambda: self.face_shows(button, strip, 2), 3), "pressed face of %s" % strip)
            # Released elsewhere: no click, back to normal.
            self.session.release_aside()
            self.assertTrue(wait_until(lambda: self.face_shows(button, strip, 0), 3))
        self.assertIsNone(self.launcher.poll())
        self.assertEqual(self.session.geometry(self.window)[:2], self.origin)

    def test_minimise_takes_both_windows_to_the_task_bar_and_back(self):
        self.session.click(*self.at(MINIMISE))
        hidden = wait_until(lambda: "HIDDEN" in self.session.xprop(self.window, "_NET_WM_STATE"), 5)
        self.assertTrue(hidden, "the main window was not minimised")
        self.assertFalse(self.visible_login_windows())
        self.session.run(["wmctrl", "-a", MAIN_TITLE])
        self.assertTrue(wait_until(lambda: "HIDDEN" not in self.session.xprop(self.window, "_NET_WM_STATE"), 5))
        self.assertTrue(wait_until(self.visible_login_windows, 5), "the login window did not come back")
        self.assertIsNone(self.launcher.poll())

    def visible_login_windows(self):
        ids = self.session.program_windows()
        return [w for w in ids if w != self.window]

    def open_confirmation(self):
        self.session.click(*self.at(CLOSE))
        dialog = self.session.find_window(CONFIRMATION_TITLE, timeout=5)
        geometry = self.session.wait_geometry(dialog, lambda g: g[2:] == CONFIRMATION_SIZE)
        time.sleep(0.4)
        return dialog, geometry

    def test_confirmation_looks_right_and_cancel_keeps_running(self):
        dialog, (x, y, w, h) = self.open_confirmation()
        self.assertEqual((w, h), CONFIRMATION_SIZE)
        dx, dy = off_centre((x, y, w, h), self.session.geometry(self.window))
        self.assertLessEqual(abs(dx), 1)
        self.assertLessEqual(abs(dy), 1)
        shot = self.keep_screenshot("confirmation")
        # The bitmap 1:1, and white text on it in the title band and the
        # question's place, with no rectangle of another colour behind it.
        face = picture(CONFIRMATION_FACE)
        self.assertTrue(close_to(shot.pixel(x + 4, y + 105), face.rgb(4, 105), 6))
        self.assertTrue(close_to(shot.pixel(x + 128, y + 68), face.rgb(128, 68), 6))
        white = lambda x0, y0, x1, y1: sum(
            1 for px in range(x0, x1) for py in range(y0, y1) if min(shot.pixel(x + px, y + py)) > 235)
        self.assertGreater(white(79, 10, 179, 40), 20, "no white title")
        self.assertGreater(white(28, 34, 228, 60), 40, "no white question")
        # The gold rule that closes the title band runs between the title and
        # the question: no text crosses it.
        rule = max(range(20, 50), key=lambda py: sum(face.rgb(128, py)))
        crossed = [px for px in range(4, 252)
                   if not close_to(shot.pixel(x + px, y + rule), face.rgb(px, rule), 24)]
        self.assertEqual(crossed, [], "text over the title band's rule at y %d" % rule)
        self.session.click(x + CANCEL[0], y + CANCEL[1])
        self.assertTrue(wait_until(lambda: not self.session.window_shown(CONFIRMATION_TITLE), 5))
        time.sleep(0.5)
        self.assertIsNone(self.launcher.poll())

    def test_keys_answer_the_confirmation(self):
        turn = [(manager, compositor) for _, manager, compositor in DESKTOPS].index(
            (self.window_manager, self.compositor))
        for keys, ends in confirmation_keys(turn):
            with self.subTest(keys=keys):
                dialog, _ = self.open_confirmation()
                self.session.key(dialog, *keys)
                if ends:
                    self.assert_exits_with(16, timeout=10)
                    continue
                self.assertTrue(wait_until(lambda: not self.session.window_shown(CONFIRMATION_TITLE), 5))
                time.sleep(0.5)
                self.assertIsNone(self.launcher.poll())

    def test_focus_mark_goes_with_the_keyboard_in_the_confirmation(self):
        dialog, (x, y, _, _) = self.open_confirmation()

        def marks():
            shot = self.session.screenshot()
            return [focus_marked(shot, (x + fx, y + fy), strip) for (fx, fy), strip in (CONFIRM_FACE, CANCEL_FACE)]
        self.assertTrue(wait_until(lambda: marks() == [True, False], 3), "确定 shows no focus mark: %s" % marks())
        self.keep_screenshot("focus-on-confirm")
        self.session.key(dialog, "Tab")
        self.assertTrue(wait_until(lambda: marks() == [False, True], 3), "the mark did not go to 取消: %s" % marks())
        self.keep_screenshot("focus-on-cancel")
        self.session.key(dialog, "Escape")
        self.assertTrue(wait_until(lambda: not self.session.window_shown(CONFIRMATION_TITLE), 5))

    def face_marks(self):
        shot = self.session.screenshot()
        return [focus_marked(shot, (self.origin[0] + button[0], self.origin[1] + button[1]), strip)
                for button, strip in BUTTONS]

    def test_tab_brings_the_keyboard_to_the_picture_buttons_which_keys_press(self):
        # The page has the keyboard: Tab goes through its own items, then on
        # to the window's buttons.
        login = self.login_window()
        self.assertEqual(self.face_marks(), [False, False])
        for _ in range(4):
            self.session.key(login, "Tab")
            if wait_until(lambda: self.face_marks() == [True, False], 1.5):
                break
        self.assertEqual(self.face_marks(), [True, False], "Tab never came to the close button")
        self.keep_screenshot("focus-on-close")
        self.session.key(login, "Tab")
        self.assertTrue(wait_until(lambda: self.face_marks() == [False, True], 3), "not on the minimise button")
        self.session.key(login, "shift+Tab")
        self.assertTrue(wait_until(lambda: self.face_marks() == [True, False], 3), "not back on the close button")
        self.session.key(login, "space")
        dialog = self.session.find_window(CONFIRMATION_TITLE, timeout=5)
        self.session.key(dialog, "Escape")
        self.assertTrue(wait_until(lambda: not self.session.window_shown(CONFIRMATION_TITLE), 5))
        self.session.key(login, "Tab")
        self.assertTrue(wait_until(lambda: self.face_marks() == [False, True], 3), "not on the minimise button")
        self.session.key(login, "Return")
        self.assertTrue(wait_until(lambda: "HIDDEN" in self.session.xprop(self.window, "_NET_WM_STATE"), 5),
                        "Enter on the minimise button did not minimise")
        self.assertIsNone(self.launcher.poll())

    def test_screen_reader_reads_each_buttons_name(self):
        pid = self.launcher.pid
        self.assertEqual(sorted(self.bus.button_names(pid)), sorted(["最小化", "关闭"]))
        dialog, _ = self.open_confirmation()
        self.assertEqual(sorted(self.bus.button_names(pid)), sorted(["最小化", "关闭", "确定", "取消"]))
        self.session.key(dialog, "Escape")

    def test_window_manager_close_cancels(self):
        self.open_confirmation()
        self.session.close_window(CONFIRMATION_TITLE)
        self.assertTrue(wait_until(lambda: not self.session.window_shown(CONFIRMATION_TITLE), 5))
        time.sleep(0.5)
        self.assertIsNone(self.launcher.poll())

    def test_confirm_left_of_the_cancel_button_quits_with_16(self):
        _, (x, y, _, _) = self.open_confirmation()
        self.session.click(x + CANCEL[0] - 30, y + CANCEL[1])
        self.assert_exits_with(16, timeout=10)


for_each_desktop(Buttons, globals())
del Buttons

if __name__ == "__main__":
    unittest.main()
