"""The game mode's stand-in itself, against plain X11 windows of one game
(tests/support/TestWindows.cpp): it must apply gamescope's rules before the
program's tests may trust it."""

import os
import subprocess
import unittest

from gamemode import GameModePerClass
from pictures import close_to
from xsession import BUILD, SessionPerClass

WINDOWS = os.path.join(BUILD, "tests", "test-windows")
BLACK = (0, 0, 0)


class GameModeStandIn(GameModePerClass, SessionPerClass, unittest.TestCase):
    suite = "gamemode"

    def show(self, *windows):
        """Maps `windows` (test-windows' arguments) as one game's, in order;
        answers their ids. They go when the test ends."""
        process = self.session.spawn([WINDOWS] + list(windows), stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True)
        self.addCleanup(process.wait, 10)
        self.addCleanup(process.stdin.close)
        return [int(process.stdout.readline().split()[1]) for _ in windows]

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


if __name__ == "__main__":
    unittest.main()
