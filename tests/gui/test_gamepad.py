"""A gamepad driving the real program, on a desktop and in a handheld's game
mode: the D-pad and the stick move through the page's fields and on to the
program's buttons, A presses, B cancels, a held direction repeats and stops
with the pad pulled out, a pad plugged in again works; in game mode a text
field that takes the keyboard, or Y, asks Steam for its on-screen keyboard."""

import json
import os
import time
import unittest

from gamepad import FakeSteam, VirtualGamepad
from pictures import BUTTONS, focus_marked
from program import PAYLOAD, PAYLOAD_ARGS, LauncherTestCase, beacon, page
from xsession import CONFIRMATION_TITLE, wait_until

KEYBOARD_ADDRESS = "steam://open/keyboard?XPosition=0&YPosition=0&Width=0&Height=0&Mode=0"


def form(ids, login=True):
    """A page with a form of the fields and buttons `ids` (those named go*
    are buttons, which log in when `login` says so), each reporting
    "focus=<id>" when it takes the keyboard; the form reports "submitted"."""
    items = "".join("<button id='%s'>登录</button>" % i if i.startswith("go") else
                    "<input id='%s'%s>" % (i, " type='password'" if i == "pass" else "") for i in ids)
    return page("<form>" + items + "</form>", head="<script>addEventListener('DOMContentLoaded', function () {"
                "document.forms[0].addEventListener('submit', function (e) { e.preventDefault(); " +
                beacon("'submitted'") + " });"
                "document.querySelectorAll('input,button').forEach(function (item) {"
                " item.addEventListener('focus', function () { " + beacon("'focus=' + item.id") + " });"
                " if (%s && item.localName == 'button') item.addEventListener('click', function () {"
                " window.external.AppLogin(%s); }); }); });" % (json.dumps(login), json.dumps(PAYLOAD)) +
                "addEventListener('load', function () { " + beacon("'shown'") + " });</script>")


class Gamepad(LauncherTestCase):
    suite = "gamepad"

    def start_with_pad(self, login_page, env=None):
        self.pad = VirtualGamepad(self.program.folder)
        self.addCleanup(self.pad.close)
        config = os.path.join(self.program.folder, "config")
        self.steam = FakeSteam(self.program.env["XDG_DATA_HOME"], config)
        self.start(login_page, dict(self.pad.env(), XDG_CONFIG_HOME=config, **(env or {})))
        self.assertTrue(wait_until(lambda: "shown" in self.portal.beacons, timeout=30), "the page never showed")
        self.pad.plug()

    def focus(self):
        return [b for b in self.portal.beacons if b.startswith("focus=")]

    def moves_to(self, item, press):
        """Does `press` and waits for the page's `item` to take the keyboard."""
        before = len(self.focus())
        press()
        self.assertTrue(wait_until(lambda: self.focus()[before:] == ["focus=" + item], timeout=5),
                        "not on %s: %s" % (item, self.focus()[before:]))

    def close_marked(self):
        x0, y0 = self.session.geometry(self.window)[:2]
        shot = self.session.screenshot()
        return [focus_marked(shot, (x0 + b[0], y0 + b[1]), strip) for b, strip in BUTTONS] == [True, False]

    def test_pad_moves_presses_and_cancels_as_the_keys(self):
        self.start_with_pad(form(["user", "pass", "go"], login=False))
        self.moves_to("user", lambda: self.pad.tap("down"))
        self.moves_to("pass", lambda: self.pad.flick("y", 32767))
        # A in a field is Enter: the engine submits the form.
        self.pad.tap("a")
        self.assertTrue(wait_until(lambda: "submitted" in self.portal.beacons, timeout=5), "A did not submit")
        self.moves_to("go", lambda: self.pad.tap("right"))
        self.moves_to("pass", lambda: self.pad.flick("y", -32768))
        self.moves_to("go", lambda: self.pad.flick("x", 32767))
        # On from the page's last item to the program's close button.
        for _ in range(4):
            self.pad.tap("down")
            if wait_until(self.close_marked, 1.5):
                break
        self.assertTrue(self.close_marked(), "the pad never came to the close button")
        self.pad.tap("a")
        self.session.find_window(CONFIRMATION_TITLE, timeout=5)
        self.pad.tap("b")
        self.assertTrue(wait_until(lambda: not self.session.window_shown(CONFIRMATION_TITLE), 5), "B did not cancel")
        # Pulled out and plugged in again, it still works: A on the close
        # button, then A on 确定, which has the keyboard.
        self.pad.unplug()
        self.pad.plug()
        self.pad.tap("a")
        self.session.find_window(CONFIRMATION_TITLE, timeout=5)
        time.sleep(0.3)
        self.pad.hold("a")  # the program ends on the press
        self.assert_exits_with(16, timeout=10)
        self.assertEqual(self.program.errors(), "")
        self.assertFalse(self.program.has_started_launcher())
        # Not in game mode: no field asked for the on-screen keyboard.
        self.assertEqual(self.steam.opened(), [])

    def test_game_mode_keyboard_repeat_and_login(self):
        fields = ["f%d" % i for i in range(12)]
        self.start_with_pad(form(["go"] + fields), env={"THARNVALE_GAME_MODE": "1"})
        self.moves_to("go", lambda: self.pad.tap("down"))
        self.assertEqual(self.steam.opened(), [], "a button asked for the keyboard")
        # A field that takes the keyboard asks once; the next, within a
        # second, does not ask again.
        self.moves_to("f0", lambda: self.pad.tap("down"))
        self.moves_to("f1", lambda: self.pad.tap("down"))
        self.assertTrue(wait_until(lambda: self.steam.opened(), timeout=5), "no keyboard asked for")
        time.sleep(0.3)
        self.assertEqual(self.steam.opened(), [KEYBOARD_ADDRESS])
        # The stick held down repeats; pulled out while held, the pad
        # leaves no repeat behind.
        before = len(self.focus())
        self.pad.stick("y", 32767)
        time.sleep(0.8)
        self.pad.unplug()
        unplugged = time.monotonic()
        moved = len(self.focus()) - before
        self.assertGreaterEqual(moved, 2, "the held stick did not repeat")
        time.sleep(0.6)
        self.assertEqual(len(self.focus()) - before, moved, "a repeat went on without the pad")
        # Y asks for the keyboard again for the field that has it.
        self.pad.plug()
        time.sleep(max(0.0, 1.1 - (time.monotonic() - unplugged)))
        asked = len(self.steam.opened())
        self.pad.tap("y")
        self.assertTrue(wait_until(lambda: len(self.steam.opened()) == asked + 1, timeout=5), "Y asked nothing")
        # Back up to the page's button, and A logs in.
        for _ in range(len(fields)):
            self.pad.tap("up")
            if wait_until(lambda: self.focus()[-1] == "focus=go", 0.5):
                break
        self.pad.tap("a")
        self.assertEqual(self.started_with(), [PAYLOAD_ARGS])
        self.assert_exits_with(16)


if __name__ == "__main__":
    unittest.main()
