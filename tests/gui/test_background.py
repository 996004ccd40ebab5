"""The main window as a player meets it: the background picture on the
desktop, under a window manager with and without a compositing manager, and
on a bare X server; the desktops take turns with the small screens players
have (1280 x 800, a handheld's; 1366 x 768, a small laptop's), where every
opaque pixel of the picture must stay on the screen."""

import time
import unittest

from pictures import (MAIN_SIZE, centred_origin, close_to, kept_on_screen, off_screen, picture, spread,
                      under_login_item)
from program import OfflineTestCase
from xsession import DESKTOP_RGB, MAIN_TITLE

BACKGROUND = "155-background.png"


def sample(wanted_alpha, count=40):
    """Up to `count` picture positions whose alpha passes `wanted_alpha`,
    spread over the whole picture, outside the login window's items."""
    pixels = picture(BACKGROUND)
    found = []
    step = max(1, (pixels.width * pixels.height) // 4000)
    for i in range(0, pixels.width * pixels.height, step):
        x, y = i % pixels.width, i // pixels.width
        if wanted_alpha(pixels.alpha(x, y)) and not under_login_item(x, y):
            found.append((x, y))
    return spread(found, count)


class Background(OfflineTestCase):
    """The checks every kind of display shares; subclasses pick the display."""
    suite = "background"

    def on_screen(self, x, y):
        return 0 <= x < self.session.width and 0 <= y < self.session.height

    def test_window_is_picture_sized_centred_named_and_has_its_icon(self):
        x, y, w, h = self.session.geometry(self.window)
        self.assertEqual((w, h), MAIN_SIZE)
        # The picture itself is centred, not its transparent margin, and
        # stays whole on the screen.
        self.assertEqual(off_screen((x, y), self.screen), (0, 0, 0, 0), "the window stands at %s" % ((x, y),))
        centred = centred_origin(self.screen)
        for axis, places in enumerate(zip(centred, kept_on_screen(centred, self.screen))):
            self.assertTrue(any(abs((x, y)[axis] - p) <= 1 for p in places),
                            "the window stands at %s, not %s" % ((x, y), places))
        self.assertIn('"%s"' % MAIN_TITLE, self.session.xprop(self.window, "_NET_WM_NAME"))
        self.assertIn("64 x 64", self.session.xprop(self.window, "_NET_WM_ICON"))

    def test_picture_shows_with_the_desktop_around_it(self):
        shot = self.keep_screenshot("picture")
        x0, y0 = self.origin
        for px, py in sample(lambda a: a == 0):
            if not self.on_screen(x0 + px, y0 + py):
                continue
            self.assertTrue(close_to(shot.pixel(x0 + px, y0 + py), DESKTOP_RGB),
                            "transparent pixel %s shows %s" % ((px, py), shot.pixel(x0 + px, y0 + py)))
        for px, py in sample(lambda a: a == 255):
            expected = picture(BACKGROUND).rgb(px, py)
            self.assertTrue(close_to(shot.pixel(x0 + px, y0 + py), expected),
                            "opaque pixel %s shows %s, not %s"
                            % ((px, py), shot.pixel(x0 + px, y0 + py), expected))
        # Outside the window too: the desktop, never a black rectangle.
        below = (x0 + MAIN_SIZE[0] // 2, y0 + MAIN_SIZE[1] + 5)
        if self.on_screen(*below):
            self.assertTrue(close_to(shot.pixel(*below), DESKTOP_RGB))

    def test_press_on_a_transparent_pixel_reaches_the_window_below(self):
        self.session.desktop_clicks(timeout=0.2)
        clear = [(px, py) for px, py in sample(lambda a: a == 0)
                 if self.on_screen(self.origin[0] + px, self.origin[1] + py)]
        px, py = clear[len(clear) // 2]
        x, y = self.origin[0] + px, self.origin[1] + py
        self.session.click(x, y)
        self.assertIn((x, y), self.session.desktop_clicks())

    def test_dragging_a_visible_pixel_moves_the_window(self):
        x0, y0 = self.origin
        px, py = sample(lambda a: a == 255)[5]
        start = (x0 + px, y0 + py)
        self.session.drag(start, (start[0] - 150, start[1] - 90))
        moved = self.session.wait_geometry(self.window, lambda g: (g[0], g[1]) == (x0 - 150, y0 - 90))
        self.assertEqual(moved[:2], (x0 - 150, y0 - 90))

    def test_enter_and_esc_do_nothing(self):
        self.session.key(self.window, "Return")
        self.session.key(self.window, "Escape")
        time.sleep(0.5)
        self.assertIsNone(self.launcher.poll())
        self.assertEqual(self.session.geometry(self.window)[2:], MAIN_SIZE)


class UnderOpenboxWithCompositor(Background):
    screen = (1280, 800)

    def test_window_manager_close_ends_the_run(self):
        self.session.close_window(MAIN_TITLE)
        self.assert_exits_with(0, timeout=10)


class UnderOpenboxWithoutCompositor(Background):
    compositor = False
    screen = (1366, 768)


class UnderXfwm4(Background):
    window_manager = "xfwm4"
    compositor = False
    screen = (1280, 800)


class UnderMetacity(Background):
    window_manager = "metacity"
    compositor = False
    screen = (1366, 768)


class OnABareXServer(Background):
    window_manager = False
    compositor = False
    screen = (1280, 800)
    # With no window manager there is no focus to type into, and no drag
    # protocol beyond the program's own.
    test_enter_and_esc_do_nothing = None


# Only the desktops above run the checks.
del Background


if __name__ == "__main__":
    unittest.main()
