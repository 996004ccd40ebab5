"""The program on a desktop that scales windows by two (GDK_SCALE=2), on a
4K screen, on each desktop the tests know: the windows cover twice their
size in screen pixels, drawn from the pictures made for that scale and cut
to them at each screen pixel (a picture or a shape blown up from the 1x ones
would show here), the picture buttons and their hit areas, the login window
on the panel, the page rendered at the screen's own pixels, and the
confirmation and download windows."""

import json
import time
import unittest

from pictures import (BROWSER, BUTTONS, CANCEL, CANCEL_FACE, CLOSE, CONFIRM_FACE, CONFIRMATION_SIZE, DOWNLOAD_SIZE,
                      MAIN_SIZE, VISIBLE, close_to, face_middle, focus_marked, off_centre, picture, spread, under_login_item)
from program import GREEN_FILL, PAGE_RGB, LauncherTestCase, PAYLOAD, page
from xsession import CONFIRMATION_TITLE, DESKTOP_RGB, DOWNLOAD_TITLE, for_each_desktop, wait_until

SCALE = 2
SCREEN = (3840, 2160)
# Logs in when the player clicks the page; a canvas of 100 × 40 of the
# page's pixels holds one dark column at every other pixel of its own
# backing store, which the page makes as fine as the screen.
LOGIN_PAGE = page(
    GREEN_FILL +
    "<canvas id='stripes' style='position:absolute;left:20px;top:20px;width:100px;height:40px'>"
    "</canvas>"
    "<script>"
    "var c = document.getElementById('stripes'), r = window.devicePixelRatio;"
    "c.width = 100 * r; c.height = 40 * r;"
    "var g = c.getContext('2d'); g.fillStyle = '#fff'; g.fillRect(0, 0, c.width, c.height);"
    "g.fillStyle = '#000'; for (var x = 0; x < c.width; x += 2) g.fillRect(x, 0, 1, c.height);"
    "addEventListener('click', function (e) { if (e.clientY > 100) window.external.AppLogin(%s); });"
    "addEventListener('load', function () { new Image().src = '/beacon?dpr=' + r; });"
    "</script>" % json.dumps(PAYLOAD))


def finer_than_1x(fine, coarse, x, y, margin=40):
    """Whether pixel (x, y) of the 2x picture has a colour no enlargement of
    the 1x picture could give it: outside what the 1x pixels around it span."""
    colour = fine.rgba(x, y)
    cx, cy = x // SCALE, y // SCALE
    around = [coarse.rgba(i, j) for i in range(max(0, cx - 1), min(coarse.width, cx + 2))
              for j in range(max(0, cy - 1), min(coarse.height, cy + 2))]
    return any(colour[c] < min(p[c] for p in around) - margin or colour[c] > max(p[c] for p in around) + margin
               for c in range(3))


_samples = {}


def background_samples(threshold):
    """Points of the 2x background, in its pixels, outside the login items:
    "detail": opaque, in a colour only the 2x picture has; "soft": partly
    transparent; "out" and "in": pixels below and at least at `threshold`
    (the alpha the window's shape is cut at) that share their 2 × 2 block
    with pixels of the other kind, where only a shape cut at the screen's
    own pixels tells them apart."""
    if threshold in _samples:
        return _samples[threshold]
    fine, coarse = picture("155-background@2x.png"), picture("155-background.png")
    found = {"detail": [], "soft": [], "out": [], "in": []}
    for y in range(0, fine.height - 1, 2):
        for x in range(0, fine.width - 1, 2):
            if under_login_item(x, y, SCALE):
                continue
            block = [(x, y), (x + 1, y), (x, y + 1), (x + 1, y + 1)]
            alphas = [fine.alpha(*p) for p in block]
            kept = [a >= threshold for a in alphas]
            if any(kept) and not all(kept):
                found["out"].append(block[kept.index(False)])
                found["in"].append(block[kept.index(True)])
            if 40 <= alphas[0] <= 215:
                found["soft"].append((x, y))
            if alphas[0] == 255 and (x + y) % 6 == 0 and finer_than_1x(fine, coarse, x, y):
                found["detail"].append((x, y))
    _samples[threshold] = {kind: spread(points, 40) for kind, points in found.items()}
    return _samples[threshold]


_face_points = {}


def face_points(strip, size, cell):
    """Points of face `cell` of a 2x strip (cells `size` pixels high), in the
    face's pixels: its middle and a few where its colour is the 2x one's own."""
    if (strip, cell) not in _face_points:
        fine, coarse = picture(strip + "@2x.png"), picture(strip + ".png")
        detail = [(i, j) for i in range(4, size - 4, 3) for j in range(4, size - 4, 3)
                  if fine.alpha(i, cell * size + j) == 255 and finer_than_1x(fine, coarse, i, cell * size + j, 24)]
        _face_points[(strip, cell)] = [(size // 2, size // 2 + 8)] + spread(detail, 6)
    return _face_points[(strip, cell)]


class HiDpi(LauncherTestCase):
    suite = "hidpi"
    screen = SCREEN
    scale = SCALE

    def setUp(self):
        super().setUp()
        self.session.park_pointer()

    def show_page(self):
        """Starts the program on LOGIN_PAGE and waits until the page shows and
        the main window stands in place, at self.origin."""
        self.start(LOGIN_PAGE)
        self.assertTrue(wait_until(lambda: any(b.startswith("dpr=") for b in self.portal.beacons), timeout=30),
                        "the page never showed")
        self.origin = self.main_window_origin()
        time.sleep(1.0)

    def screen_point(self, x, y):
        """A screen pixel, from a pixel of the main window's 2x picture."""
        return self.origin[0] + x, self.origin[1] + y

    # -- the main window ---------------------------------------------------------
    def test_main_window_covers_twice_its_size_centred_on_the_work_area(self):
        self.show_page()
        x, y, w, h = self.session.geometry(self.window)
        self.assertEqual((w, h), (MAIN_SIZE[0] * SCALE, MAIN_SIZE[1] * SCALE))
        area = [int(v) for v in self.session.run(["xprop", "-root", "_NET_WORKAREA"]).stdout
                .split("=")[1].replace(",", " ").split()[:4]]
        # The picture's visible part is centred, not its transparent margin.
        dx, dy = off_centre((x + VISIBLE[0] * SCALE, y + VISIBLE[1] * SCALE, VISIBLE[2] * SCALE,
                             VISIBLE[3] * SCALE), area)
        self.assertLessEqual(abs(dx), 2, "at %s in %s" % ((x, y), area))
        self.assertLessEqual(abs(dy), 2, "at %s in %s" % ((x, y), area))
        # The task bar gets the icon drawn for this scale as well.
        icons = self.session.xprop(self.window, "_NET_WM_ICON")
        self.assertIn("64 x 64", icons)
        self.assertIn("128 x 128", icons)

    def composited(self):
        return self.compositor or self.window_manager in ("xfwm4", "metacity")

    def threshold(self):
        """The alpha from which a pixel lies inside the main window's shape:
        any where a compositing manager blends it, half where none does."""
        return 1 if self.composited() else 128

    def shown(self, px, py):
        """What pixel (px, py) of the 2x picture looks like on the screen:
        blended with the desktop where a compositing manager runs; cut at
        the threshold where none does."""
        r, g, b, a = picture("155-background@2x.png").rgba(px, py)
        if self.composited():
            return tuple(round(c * a / 255 + d * (255 - a) / 255) for c, d in zip((r, g, b), DESKTOP_RGB))
        return (r, g, b) if a >= self.threshold() else DESKTOP_RGB

    def test_picture_is_the_2x_one_cut_at_each_screen_pixel(self):
        self.show_page()
        shot = self.keep_screenshot("picture")
        samples = background_samples(self.threshold())
        self.assertTrue(samples["out"] and samples["detail"] and samples["soft"])
        for kind in ("detail", "soft", "out", "in"):
            for px, py in samples[kind]:
                seen = shot.pixel(*self.screen_point(px, py))
                self.assertTrue(close_to(seen, self.shown(px, py), 16),
                                "%s pixel %s (alpha %d) shows %s, not %s"
                                % (kind, (px, py), picture("155-background@2x.png").alpha(px, py), seen,
                                   self.shown(px, py)))

    def test_press_through_a_clear_pixel_and_drag_by_a_solid_one(self):
        self.show_page()
        samples = background_samples(self.threshold())
        self.session.desktop_clicks(timeout=0.2)
        clear = self.screen_point(*samples["out"][len(samples["out"]) // 2])
        self.session.click(*clear)
        self.assertIn(clear, self.session.desktop_clicks())
        # Dragged by a pixel right beside one that lets presses through, by
        # an odd number of screen pixels: the login window follows to the
        # pixel.
        solid = self.screen_point(*samples["in"][len(samples["in"]) // 3])
        login = self.login_window()
        x0, y0 = self.origin
        self.session.drag(solid, (solid[0] - 151, solid[1] - 93))
        target = (x0 - 151, y0 - 93)
        self.assertEqual(self.session.wait_geometry(self.window, lambda g: g[:2] == target)[:2], target)
        wait_until(lambda: self.session.geometry(login)[:2] == target, timeout=5)
        self.assertEqual(self.session.geometry(login)[:2], target)

    # -- the login window ----------------------------------------------------------
    def test_login_window_lies_on_the_panel_at_twice_the_offsets(self):
        self.show_page()
        login = self.login_window()
        self.assertEqual(self.session.geometry(login), self.session.geometry(self.window))
        shot = self.session.screenshot()
        bx, by, bw, bh = (v * SCALE for v in BROWSER)
        for inside, outside in (((bx + 1, by + 40), (bx - 2, by + 40)),
                                ((bx + 40, by + 1), (bx + 40, by - 2)),
                                ((bx + bw - 2, by + bh - 40), (bx + bw + 1, by + bh - 40)),
                                ((bx + bw - 40, by + bh - 2), (bx + bw - 40, by + bh + 1))):
            self.assertTrue(close_to(shot.pixel(*self.screen_point(*inside)), PAGE_RGB),
                            "no page at %s" % (inside,))
            self.assertFalse(close_to(shot.pixel(*self.screen_point(*outside)), PAGE_RGB, 30),
                             "page beyond its place at %s" % (outside,))

    def test_page_renders_at_the_screens_own_pixels(self):
        self.show_page()
        self.assertIn("dpr=2", self.portal.beacons)
        shot = self.keep_screenshot("page")
        # Across the canvas, every screen pixel differs from the next: one
        # page pixel blown up would show pairs.
        y = (BROWSER[1] + 20 + 20) * SCALE
        row = [sum(shot.pixel(*self.screen_point((BROWSER[0] + 30) * SCALE + i, y))) / 3 for i in range(40)]
        self.assertTrue(all(abs(a - b) > 100 for a, b in zip(row, row[1:])), "the row reads %s" % row)

    # -- the picture buttons ---------------------------------------------------------
    def face_shows(self, button, strip, cell):
        """Whether the button shows face `cell` of its 2x strip, at its middle
        and at points where the 2x face has detail the 1x one lacks."""
        fine = picture(strip + "@2x.png")
        x, y, size = (v * SCALE for v in button)
        shot = self.session.screenshot()
        return all(close_to(shot.pixel(*self.screen_point(x + i, y + j)), fine.rgb(i, cell * size + j), 8)
                   for i, j in face_points(strip, size, cell))

    def edge(self, button, strip):
        """Two screen pixels at the edge of the button's face: the last one
        down its middle that the face covers, and one just beyond the face
        that the 1x face's shape, blown up, would still cover."""
        fine, coarse = picture(strip + "@2x.png"), picture(strip + ".png")
        x, y, size = (v * SCALE for v in button)
        middle = size // 2
        last = max(j for j in range(size) if fine.alpha(middle, j) > 0)
        # Beyond the normal and the hover face alike; away from the other
        # button's window.
        beyond = [(i, j) for i in range(12, size - 12) for j in range(size)
                  if all(fine.alpha(i, cell * size + j) == 0
                         and coarse.alpha(i // SCALE, (cell * size + j) // SCALE) > 0 for cell in (0, 1))]
        i, j = max(beyond, key=lambda p: (p[1], -abs(p[0] - middle)))
        return self.screen_point(x + middle, y + last), self.screen_point(x + i, y + j)

    def test_buttons_show_their_2x_faces_in_each_state(self):
        self.show_page()
        for button, strip in BUTTONS:
            self.assertTrue(self.face_shows(button, strip, 0), "normal face of %s" % strip)
            self.session.move_pointer(*self.screen_point(*face_middle(button, SCALE)))
            self.assertTrue(wait_until(lambda: self.face_shows(button, strip, 1), 3), "hover face of %s" % strip)
            if button is CLOSE:
                self.keep_screenshot("hover")
            self.session.press()
            self.assertTrue(wait_until(lambda: self.face_shows(button, strip, 2), 3), "pressed face of %s" % strip)
            self.session.release_aside()
            self.assertTrue(wait_until(lambda: self.face_shows(button, strip, 0), 3))
        self.assertIsNone(self.launcher.poll())

    def test_buttons_take_the_pointer_exactly_where_their_faces_are(self):
        self.show_page()
        for button, strip in BUTTONS:
            inside, outside = self.edge(button, strip)
            self.session.move_pointer(*outside)
            time.sleep(0.5)
            self.assertTrue(self.face_shows(button, strip, 0), "%s lit from below its face" % strip)
            self.session.move_pointer(*inside)
            self.assertTrue(wait_until(lambda: self.face_shows(button, strip, 1), 3),
                            "%s not lit at the edge of its face" % strip)
            self.session.park_pointer()
            time.sleep(0.3)
        # A click on the close button's last pixel asks to quit; one just
        # beyond its face does nothing. That one lands on the main window,
        # where a press starts a move: held a moment, as a player's is,
        # so that the window manager sees its release.
        inside, outside = self.edge(CLOSE, "160-close")
        self.session.click(*inside)
        dialog = self.session.find_window(CONFIRMATION_TITLE, timeout=5)
        self.session.key(dialog, "Escape")
        self.assertTrue(wait_until(lambda: not self.session.window_shown(CONFIRMATION_TITLE), 5))
        self.session.run(["xdotool", "mousemove", *map(str, outside), "mousedown", "1", "sleep", "0.3",
                          "mouseup", "1"])
        time.sleep(1.0)
        self.assertFalse(self.session.window_shown(CONFIRMATION_TITLE),
                         "the close button took a click below its face")
        self.assertIsNone(self.launcher.poll())

    # -- the program's other windows ------------------------------------------------
    def test_confirmation_is_drawn_from_its_2x_face(self):
        self.show_page()
        # As a player does: onto the button, and a click once it lights up.
        middle = self.screen_point(*face_middle(CLOSE, SCALE))
        self.session.move_pointer(*middle)
        wait_until(lambda: self.face_shows(CLOSE, "160-close", 1), 3)
        self.session.click(*middle)
        dialog = self.session.find_window(CONFIRMATION_TITLE, timeout=5)
        size = (CONFIRMATION_SIZE[0] * SCALE, CONFIRMATION_SIZE[1] * SCALE)
        x, y, w, h = self.session.wait_geometry(dialog, lambda g: g[2:] == size)
        self.assertEqual((w, h), size)
        time.sleep(0.5)
        shot = self.keep_screenshot("confirmation")
        face = picture("177-confirm-background@2x.png")
        for px, py in ((8, 210), (256, 136), (500, 200), (11, 11), (40, 43)):
            self.assertTrue(close_to(shot.pixel(x + px, y + py), face.rgb(px, py), 8),
                            "face pixel %s shows %s" % ((px, py), shot.pixel(x + px, y + py)))
        white = sum(1 for px in range(158, 358) for py in range(20, 80) if min(shot.pixel(x + px, y + py)) > 235)
        self.assertGreater(white, 80, "no white title")
        # 确定 has the keyboard, and its focus mark is drawn at the screen's
        # pixels as well.
        marks = [focus_marked(shot, (x + fx * SCALE, y + fy * SCALE), strip, SCALE)
                 for (fx, fy), strip in (CONFIRM_FACE, CANCEL_FACE)]
        self.assertEqual(marks, [True, False])
        self.session.click(x + CANCEL[0] * SCALE, y + CANCEL[1] * SCALE)
        self.assertTrue(wait_until(lambda: not self.session.window_shown(CONFIRMATION_TITLE), 5))
        self.assertIsNone(self.launcher.poll())

    def test_download_window_is_drawn_from_its_2x_pictures(self):
        self.portal.launcher_seconds = 6.0
        self.show_page()
        self.session.click(*self.screen_point((BROWSER[0] + 300) * SCALE, (BROWSER[1] + 200) * SCALE))
        window = self.session.find_window(DOWNLOAD_TITLE, timeout=10)
        size = (DOWNLOAD_SIZE[0] * SCALE, DOWNLOAD_SIZE[1] * SCALE)
        x, y, w, h = self.session.wait_geometry(window, lambda g: g[2:] == size)
        self.assertEqual((w, h), size)
        time.sleep(1.0)
        shot = self.keep_screenshot("download")
        face = picture("181-download-background@2x.png")
        for px, py in ((10, 160), (700, 300), (700, 20), (11, 11), (30, 43)):
            self.assertTrue(close_to(shot.pixel(x + px, y + py), face.rgb(px, py), 8),
                            "face pixel %s shows %s" % ((px, py), shot.pixel(x + px, y + py)))
        self.assert_exits_with(16, timeout=30)


for_each_desktop(HiDpi, globals())
del HiDpi

if __name__ == "__main__":
    unittest.main()
