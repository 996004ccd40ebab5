"""The handheld's game mode. First the stand-in of its compositor itself,
against plain X11 windows of one game (tests/support/TestWindows.cpp): it
must apply gamescope's rules before the program's tests may trust it. Then
the player's whole journey as that compositor would show it: the page in the
launcher's picture, crisp at the screen's pixels on a backdrop that is never
black; the handheld's on-screen keyboard asked for as the page's field takes
the keyboard; the confirmation, the download window and the Wine prefix's
preparing window drawn inside the same one window; a gamepad plugged in
after the start answers the confirmation and, with what was typed, logs in;
and the Windows game launcher starts under Wine."""

import json
import os
import subprocess
import time
import unittest

from gamemode import SCREEN, GameModePerClass, Lines
from gamepad import FakeSteam, VirtualGamepad
from pictures import BROWSER, CLOSE, close_to, face_middle, picture
from portal import Portal
from program import (GREEN_FILL, ONLINE_PORT, PAGE_RGB, PAYLOAD, PAYLOAD_ARGS, PROGRESS_FACE, TYPED_FIELD, beacon,
                     page)
from test_gamepad import KEYBOARD_ADDRESS
from test_journey import CONFIRMATION_FACE, find_face, opaque_points
from test_wine import PROBE, WineTestCase, probe_record, wide_hex, windows_path
from xsession import BUILD, SessionPerClass, screenshot_path, wait_until

WINDOWS = os.path.join(BUILD, "tests", "test-windows")
BLACK = (0, 0, 0)


class GameModeStandIn(GameModePerClass, SessionPerClass, unittest.TestCase):
    suite = "gamemode"

    def show(self, *windows):
        """Maps `windows` (test-windows' arguments) as one game's, in order;
        answers their ids. They go when the test ends."""
        process = self.session.spawn([WINDOWS] + list(windows), stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, bufsize=0)
        self.addCleanup(self.close_windows, process)
        lines = Lines(process, "test-windows")
        return [int(lines.next(waiting_for="map of " + spec).split()[1]) for spec in windows]

    def close_windows(self, process):
        process.stdin.close()
        try:
            process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
            raise AssertionError("test-windows did not end when told")

    def test_a_transient_dialog_replaces_its_owner_enlarged_to_fit_and_has_the_keys(self):
        _, dialog = self.show("owner:400x300+10+10:ffff0000", "dialog:200x100+50+50:ff00ff00:transient")
        facts = self.session.focus()
        self.assertEqual(facts["focus"]["id"], dialog)
        # 200 x 100 on 1280 x 800: 6.4 times, as wide as the screen, centred.
        self.assertEqual((facts["scale"], facts["offset"]), (6.4, [0, 80]))
        self.assertEqual(int(self.session.run(["xdotool", "getwindowfocus"]).stdout), dialog)
        shot = self.keep_screenshot("dialog")
        for point, colour in [((640, 400), (0, 255, 0)), ((4, 84), (0, 255, 0)), ((1275, 715), (0, 255, 0)),
                              ((640, 40), BLACK), ((640, 760), BLACK)]:
            self.assertTrue(close_to(shot.pixel(*point), colour), "%s at %s" % (shot.pixel(*point), point))

    def test_transparent_pixels_paint_black_under_an_override_window_of_the_game(self):
        # Half transparent, its left half clear; a menu 50 pixels into it.
        window, menu = self.show("half:640x400+100+100:80402010:clear-left", "menu:100x50+150+150:ff0000ff:override")
        facts = self.session.focus()
        self.assertEqual((facts["focus"]["id"], facts["override"]["id"]), (window, menu))
        self.assertEqual((facts["scale"], facts["offset"]), (2, [0, 0]))
        shot = self.keep_screenshot("transparent")
        for point, colour in [((20, 700), BLACK), ((1000, 400), (0x40, 0x20, 0x10)),
                              ((110, 110), (0, 0, 255)), ((290, 190), (0, 0, 255)), ((310, 210), BLACK)]:
            self.assertTrue(close_to(shot.pixel(*point), colour), "%s at %s" % (shot.pixel(*point), point))


# The picture's visible part (its pixels with any alpha: x 12, y 26,
# 1269 x 697) stands in the middle of the screen, at whole pixels.
ORIGIN = ((SCREEN[0] - 1269) // 2 - 12, (SCREEN[1] - 697) // 2 - 26)

# The green page whose autofocus field logs in on Enter, as a player with a
# gamepad's Enter or a keyboard would.
ENTER_TO_LOG_IN = page(
    TYPED_FIELD + GREEN_FILL +
    "<script>document.getElementById('typed').addEventListener('keydown', function (e) {"
    " if (e.key == 'Enter') window.external.AppLogin(" + json.dumps(PAYLOAD) + "); });"
    "addEventListener('load', function () { " + beacon("'shown'") + " });</script>")


class LauncherInGameMode(GameModePerClass, WineTestCase):
    """The program under the game mode's rules, as Steam starts it: its
    Windows game launcher under Wine in a prefix of the test's own."""
    suite = "gamemode"

    def make_portal(self):
        portal = Portal(ONLINE_PORT, PROBE)
        # Long enough to see the download window.
        portal.launcher_seconds = 2.0
        return portal

    def painted(self, name):
        """What the compositor paints now, kept as a screenshot."""
        return self.session.screenshot(
            keep_as=screenshot_path("gamemode-%s-%s" % (type(self).__name__, name)))

    def assert_one_window_at_the_screens_pixels(self):
        facts = self.session.focus()
        self.assertEqual(facts["focus"]["title"], "Tharnvale")
        self.assertEqual(facts["focus"]["rect"], [0, 0, SCREEN[0], SCREEN[1]])
        self.assertEqual((facts["scale"], facts["offset"]), (1, [0, 0]), "the compositor resamples it")
        self.assertIsNone(facts["override"])
        return facts

    def assert_shows_the_launcher(self, shot):
        face = picture("155-background.png")
        x0, y0 = ORIGIN
        for px, py in opaque_points():
            self.assertTrue(close_to(shot.pixel(x0 + px, y0 + py), face.rgb(px, py), 6),
                            "the picture's %s shows %s, not %s" % ((px, py), shot.pixel(x0 + px, y0 + py),
                                                                  face.rgb(px, py)))
        # Where the picture is clear, and all round it, the backdrop: never black.
        clear = [(x, y) for y in range(0, SCREEN[1], 37) for x in range(0, SCREEN[0], 41)
                 if not (0 <= x - x0 < face.width and 0 <= y - y0 < face.height)
                 or face.alpha(x - x0, y - y0) == 0]
        black = [p for p in clear if max(shot.pixel(*p)) < 8]
        self.assertEqual(black, [], "black where the picture does not cover the screen")
        for px, py in [(2, 2), (BROWSER[2] - 3, BROWSER[3] - 3)]:
            point = (x0 + BROWSER[0] + px, y0 + BROWSER[1] + py)
            self.assertTrue(close_to(shot.pixel(*point), PAGE_RGB, 8), "the page at %s: %s" % (point, shot.pixel(*point)))

    def dialog_face(self, face_name):
        face = picture(face_name)
        middle = (ORIGIN[0] + 12 + 1269 // 2 - face.width // 2, ORIGIN[1] + 26 + 697 // 2 - face.height // 2)
        return wait_until(lambda: find_face(self.session.screenshot(), face, middle, 2), timeout=30, interval=0.3)

    def confirmation_shown(self):
        return find_face(self.session.screenshot(), picture(CONFIRMATION_FACE))

    def test_the_whole_journey_shows_in_one_window_and_a_gamepad_with_the_keyboard_logs_in(self):
        pad = VirtualGamepad(self.program.folder)
        self.addCleanup(pad.close)
        config = os.path.join(self.program.folder, "config")
        steam = FakeSteam(self.program.env["XDG_DATA_HOME"], config)
        self.start(ENTER_TO_LOG_IN, dict(pad.env(), XDG_CONFIG_HOME=config))
        self.assertTrue(wait_until(lambda: "shown" in self.portal.beacons, timeout=40), self.program.errors())
        # The page's autofocus field has the keyboard: the handheld's
        # on-screen keyboard is asked for.
        self.assertTrue(wait_until(lambda: steam.opened() == [KEYBOARD_ADDRESS], timeout=10), steam.opened())
        time.sleep(0.8)
        self.assert_one_window_at_the_screens_pixels()
        self.assert_shows_the_launcher(self.painted("page"))

        # Typed on a keyboard. The close button, touched, asks inside the
        # window; a gamepad plugged in now answers: down to 取消, A presses
        # it, and the launcher stays. Then A is Enter in the page's field.
        self.session.run(["xdotool", "type", "tharn"])
        pad.plug()
        self.session.click(*(ORIGIN[i] + face_middle(CLOSE)[i] for i in (0, 1)))
        self.assertTrue(self.dialog_face(CONFIRMATION_FACE), "no confirmation over the launcher's middle")
        self.assert_one_window_at_the_screens_pixels()
        self.painted("confirmation")
        pad.tap("down")
        pad.tap("a")
        self.assertTrue(wait_until(lambda: not self.confirmation_shown(), 10), "取消 left the confirmation")
        self.assertIsNone(self.program.process.poll())
        pad.tap("a")
        self.assertTrue(wait_until(lambda: "typed=tharn" in self.portal.beacons, timeout=10), self.portal.beacons)
        self.assertTrue(self.dialog_face(PROGRESS_FACE), "no download window over the launcher's middle")
        self.assert_one_window_at_the_screens_pixels()
        self.painted("download")
        # Then the Wine prefix is made under the same face, still inside.
        time.sleep(self.portal.launcher_seconds + 1)
        if self.dialog_face(PROGRESS_FACE):
            self.assert_one_window_at_the_screens_pixels()
            self.painted("preparing")
        self.assertTrue(wait_until(lambda: "wide" in probe_record(self.record), 180),
                        "the game launcher did not run: %s" % self.program.errors())
        launcher = os.path.join(self.program.launcher_dir, "vuntek_qx_launch.exe")
        self.assertEqual(probe_record(self.record)["wide"],
                         wide_hex('"%s" %s' % (windows_path(launcher), PAYLOAD_ARGS)))
        self.assert_exits_with(16, timeout=60)


if __name__ == "__main__":
    unittest.main()
