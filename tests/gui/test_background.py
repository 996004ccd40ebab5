"""The main window as a player meets it: the background picture on the
desktop, under a window manager with and without a compositing manager, and
on a bare X server."""

import os
import subprocess
import time
import unittest

from xsession import SessionPerClass, DESKTOP_RGB, WIDTH, HEIGHT, close_to, wait_until

PICTURE = os.path.join(os.path.dirname(__file__), "../../res/155-background.png")
PICTURE_W, PICTURE_H = 1334, 725


def picture_pixels():
    """The picture's straight RGBA bytes, row by row."""
    return subprocess.run(["convert", PICTURE, "-depth", "8", "rgba:-"], check=True,
                          capture_output=True).stdout


# What the login window shows over the picture: the browser once a page has
# loaded, and the two title buttons.
LOGIN_ITEMS = [(560, 177, 631, 446), (1173, 137, 39, 39), (1208, 115, 54, 54)]


def under_login_item(x, y):
    return any(ix <= x < ix + w and iy <= y < iy + h for ix, iy, w, h in LOGIN_ITEMS)


def sample(pixels, wanted_alpha, count=40):
    """Up to `count` picture positions whose alpha passes `wanted_alpha`,
    spread over the whole picture, outside the login window's items."""
    found = []
    step = max(1, (PICTURE_W * PICTURE_H) // 4000)
    for i in range(0, PICTURE_W * PICTURE_H, step):
        x, y = i % PICTURE_W, i // PICTURE_W
        if wanted_alpha(pixels[i * 4 + 3]) and not under_login_item(x, y):
            found.append((x, y))
    return found[:: max(1, len(found) // count)][:count]


class Background(SessionPerClass):
    """The checks every kind of display shares; subclasses pick the display."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.pixels = picture_pixels()

    def setUp(self):
        self.launcher = self.session.start_launcher()
        self.window = self.session.find_window("Tharnvale")
        # The window manager may still be placing it.
        self.origin = self.session.wait_geometry(
            self.window, lambda g: g[2] == PICTURE_W and g[3] == PICTURE_H)[:2]
        time.sleep(1.0)

    def tearDown(self):
        if self.launcher.poll() is None:
            self.launcher.kill()
        self.launcher.wait(timeout=10)

    def test_window_is_picture_sized_centred_named_and_has_its_icon(self):
        x, y, w, h = self.session.geometry(self.window)
        self.assertEqual((w, h), (PICTURE_W, PICTURE_H))
        self.assertLessEqual(abs(x - (WIDTH - w) // 2), 1)
        self.assertLessEqual(abs(y - (HEIGHT - h) // 2), 1)
        self.assertIn('"Tharnvale"', self.session.xprop(self.window, "_NET_WM_NAME"))
        self.assertIn("64 x 64", self.session.xprop(self.window, "_NET_WM_ICON"))

    def test_picture_shows_with_the_desktop_around_it(self):
        shot = self.session.screenshot(keep_as=self.screenshot_name())
        x0, y0 = self.origin
        for px, py in sample(self.pixels, lambda a: a == 0):
            self.assertTrue(close_to(shot.pixel(x0 + px, y0 + py), DESKTOP_RGB),
                            "transparent pixel %s shows %s" % ((px, py), shot.pixel(x0 + px, y0 + py)))
        for px, py in sample(self.pixels, lambda a: a == 255):
            offset = (py * PICTURE_W + px) * 4
            expected = tuple(self.pixels[offset:offset + 3])
            self.assertTrue(close_to(shot.pixel(x0 + px, y0 + py), expected),
                            "opaque pixel %s shows %s, not %s"
                            % ((px, py), shot.pixel(x0 + px, y0 + py), expected))
        # Outside the window too: the desktop, never a black rectangle.
        self.assertTrue(close_to(shot.pixel(x0 - 5, y0 - 5), DESKTOP_RGB))

    def test_press_on_a_transparent_pixel_reaches_the_window_below(self):
        self.session.desktop_clicks(timeout=0.2)
        px, py = sample(self.pixels, lambda a: a == 0)[len(sample(self.pixels, lambda a: a == 0)) // 2]
        x, y = self.origin[0] + px, self.origin[1] + py
        self.session.click(x, y)
        self.assertIn((x, y), self.session.desktop_clicks())

    def test_dragging_a_visible_pixel_moves_the_window(self):
        x0, y0 = self.origin
        px, py = sample(self.pixels, lambda a: a == 255)[5]
        start = (x0 + px, y0 + py)
        self.session.drag(start, (start[0] - 150, start[1] - 90))
        moved = self.session.wait_geometry(self.window, lambda g: (g[0], g[1]) == (x0 - 150, y0 - 90))
        self.assertEqual(moved[:2], (x0 - 150, y0 - 90))

    def test_enter_and_esc_do_nothing(self):
        self.session.key(self.window, "Return")
        self.session.key(self.window, "Escape")
        time.sleep(0.5)
        self.assertIsNone(self.launcher.poll())
        self.assertEqual(self.session.geometry(self.window)[2:], (PICTURE_W, PICTURE_H))

    def screenshot_name(self):
        folder = os.environ.get("LAUNCHER_SCREENSHOTS")
        if not folder:
            return None
        os.makedirs(folder, exist_ok=True)
        return os.path.join(folder, "background-%s.png" % type(self).__name__)


class UnderOpenboxWithCompositor(Background, unittest.TestCase):
    def test_window_manager_close_ends_the_run(self):
        self.session.run(["wmctrl", "-c", "Tharnvale"])
        self.assertEqual(self.launcher.wait(timeout=10), 0)


class UnderOpenboxWithoutCompositor(Background, unittest.TestCase):
    compositor = False


class UnderXfwm4(Background, unittest.TestCase):
    window_manager = "xfwm4"
    compositor = False


class UnderMetacity(Background, unittest.TestCase):
    window_manager = "metacity"
    compositor = False


class OnABareXServer(Background, unittest.TestCase):
    window_manager = False
    compositor = False
    # With no window manager there is no focus to type into, and no drag
    # protocol beyond the program's own.
    test_enter_and_esc_do_nothing = None


if __name__ == "__main__":
    unittest.main()
