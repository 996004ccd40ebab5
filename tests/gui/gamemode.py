"""The handheld's game mode for the GUI tests: what gamescope shows a player,
on a private Xvfb of the handheld's screen (1280 x 800) with xcompmgr (so
windows keep their alpha) and no window manager but the stand-in
(tests/support/GameModeCompositor.cpp), which applies gamescope's window
rules: one focus window of the game, a dialog in place of its owner, scaled
to fit the screen and centred, an override-redirect window of the game over
it, the rest black.

Programs started on the session get the environment Steam and gamescope
give a non-Steam game. `screenshot()` answers what gamescope would paint,
`focus()` the stand-in's facts (the focus window, its scale and offset).

    class OnTheHandheld(GameModePerClass, LauncherTestCase):
        def test_...(self):
            self.show_page()
            shot = self.keep_screenshot("page")
            facts = self.session.focus()
"""

import json
import os
import select
import subprocess
import tempfile
import time

from pictures import Screenshot
from xsession import BUILD, XSession

COMPOSITOR = os.path.join(BUILD, "tests", "game-mode-compositor")
SCREEN = (1280, 800)
# The game id Steam gives a non-Steam shortcut, and asks gamescope to show.
STEAM_GAME_ID = "3094832193"
# What gamescope and Steam set for a game (WAYLAND_DISPLAY is unset: the
# session's environment never carries one).
GAME_ENV = {
    "XDG_CURRENT_DESKTOP": "gamescope",
    "XDG_SESSION_TYPE": "x11",
    "GAMESCOPE_WAYLAND_DISPLAY": "gamescope-0",
    "SteamAppId": "0",
    "SteamGameId": STEAM_GAME_ID,
}


class Lines:
    """The lines a helper prints, each waited for at most `timeout` seconds:
    a helper that hangs or ends fails the test at once, saying which."""

    def __init__(self, process, name):
        self.process = process
        self.name = name
        self.pending = b""

    def next(self, timeout=10, waiting_for="a line"):
        # Read straight from the pipe: a buffered reader could hold a second
        # line that select() no longer sees.
        deadline = time.monotonic() + timeout
        while b"\n" not in self.pending:
            left = deadline - time.monotonic()
            ready, _, _ = select.select([self.process.stdout], [], [], max(left, 0))
            assert ready, "%s: no %s within %s s" % (self.name, waiting_for, timeout)
            chunk = os.read(self.process.stdout.fileno(), 65536)
            if not chunk:
                self.process.wait(timeout=5)
                raise AssertionError("%s ended (exit status %s) before %s" % (self.name, self.process.returncode,
                                                                               waiting_for))
            self.pending += chunk
        line, self.pending = self.pending.split(b"\n", 1)
        return line.decode()


class GameModeSession(XSession):
    """With `origin`, the focus window is moved to the screen's origin, as
    gamescope 3.11 (Debian 12's) does; newer ones leave it in place."""

    def __init__(self, screen=SCREEN, origin=False):
        super().__init__(window_manager=False, compositor=True, screen=screen)
        self.origin = origin

    def start(self):
        super().start()
        self.folder = tempfile.mkdtemp(prefix="gamemode-")
        argv = [COMPOSITOR, "--appid", STEAM_GAME_ID] + (["--origin"] if self.origin else [])
        self.compositor_process = self.spawn(argv, env=self.xvfb_env, stdin=subprocess.PIPE,
                                             stdout=subprocess.PIPE, bufsize=0)
        self.compositor_lines = Lines(self.compositor_process, "the game-mode stand-in")
        assert self.compositor_lines.next(waiting_for="ready") == "ready", "the stand-in did not start"
        # The stand-in desktop started before: no game of Steam's, never shown.
        self.env = dict(self.env, **GAME_ENV)
        return self

    def ask(self, command, timeout=10):
        try:
            self.compositor_process.stdin.write((command + "\n").encode())
        except BrokenPipeError:
            status = self.compositor_process.poll()
            raise AssertionError("the game-mode stand-in ended (exit status %s)" % status) from None
        answer = json.loads(self.compositor_lines.next(timeout, "answer to %r" % command))
        assert "error" not in answer, answer["error"]
        return answer

    def focus(self):
        """The focus window (id, title, rect), the scale and offset it is
        painted at, the override window painted over it (or None), which
        window has the keyboard, and the game's windows."""
        return self.ask("focus")

    def screenshot(self, keep_as=None):
        """What gamescope would paint now; also saved as the PNG `keep_as`."""
        raw = os.path.join(self.folder, "screen.rgb")
        self.ask("paint %s %s" % (raw, keep_as or ""))
        with open(raw, "rb") as f:
            return Screenshot(f.read(), self.width)

    def on_x_screen(self, x, y):
        """The X screen's pixel under the painted pixel (x, y): where a press
        there reaches the focus window, as gamescope hands it over."""
        facts = self.focus()
        fx, fy = facts["focus"]["rect"][:2]
        ox, oy = facts["offset"]
        return fx + int((x - ox) / facts["scale"]), fy + int((y - oy) / facts["scale"])

    def click_painted(self, x, y, button=1):
        self.click(*self.on_x_screen(x, y), button=button)


class GameModePerClass:
    """For a SessionPerClass test (LauncherTestCase): its session is the game
    mode's."""
    screen = SCREEN

    @classmethod
    def make_session(cls):
        return GameModeSession(cls.screen)
