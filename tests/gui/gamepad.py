"""A gamepad for the program under test: SDL's own virtual pad, plugged
into the program's SDL by the test library virtual-gamepad.so, which the
program is started with (LD_PRELOAD); and a stand-in for Steam's handler of
steam:// addresses, which records what it is asked to open."""

import os
import socket
import stat
import time

from xsession import BUILD, wait_until

LIBRARY = os.path.join(BUILD, "tests", "virtual-gamepad.so")
# SDL_GameControllerButton's and SDL_GameControllerAxis's numbers.
BUTTONS = {"a": 0, "b": 1, "x": 2, "y": 3, "up": 11, "down": 12, "left": 13, "right": 14}
AXES = {"x": 0, "y": 1}


class VirtualGamepad:
    """Each command returns once the program's SDL has seen it."""

    def __init__(self, folder):
        self.path = os.path.join(folder, "gamepad.socket")
        self.connection = None

    def env(self):
        return {"LD_PRELOAD": LIBRARY, "TEST_GAMEPAD_SOCKET": self.path}

    def command(self, line):
        if self.connection is None:
            assert wait_until(lambda: os.path.exists(self.path), timeout=10), "no virtual gamepad"
            self.connection = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            # The program starts SDL about a second after its window shows.
            self.connection.settimeout(20)
            self.connection.connect(self.path)
            self.answers = self.connection.makefile("r")
        self.connection.sendall((line + "\n").encode())
        answer = self.answers.readline().strip()
        assert answer == "ok", "%s: %s" % (line, answer)

    def plug(self):
        self.command("plug")

    def unplug(self):
        self.command("unplug")

    def hold(self, button, held=True):
        self.command("button %d %d" % (BUTTONS[button], int(held)))

    def tap(self, button):
        self.hold(button)
        self.hold(button, False)

    def stick(self, axis, value):
        self.command("axis %d %d" % (AXES[axis], value))

    def flick(self, axis, value):
        """The stick pushed all the way and let go."""
        self.stick(axis, value)
        self.stick(axis, 0)

    def close(self):
        if self.connection is not None:
            self.answers.close()
            self.connection.close()


class FakeSteam:
    """The desktop's handler of steam:// addresses, in the data and
    settings folders a run of the program is given: it writes each address
    it is started with to a line of its record."""

    def __init__(self, data_home, config_home):
        self.record = os.path.join(config_home, "steam-record")
        applications = os.path.join(data_home, "applications")
        os.makedirs(applications, exist_ok=True)
        os.makedirs(config_home, exist_ok=True)
        script = os.path.join(config_home, "fake-steam")
        with open(script, "w") as out:
            out.write('#!/bin/sh\nprintf "%%s\\n" "$1" >> "%s"\n' % self.record)
        os.chmod(script, os.stat(script).st_mode | stat.S_IXUSR)
        with open(os.path.join(applications, "fake-steam.desktop"), "w") as out:
            out.write("[Desktop Entry]\nType=Application\nName=Fake Steam\nNoDisplay=true\n"
                      "Exec=%s %%u\nMimeType=x-scheme-handler/steam;\n" % script)
        with open(os.path.join(config_home, "mimeapps.list"), "w") as out:
            out.write("[Default Applications]\nx-scheme-handler/steam=fake-steam.desktop\n")

    def opened(self):
        try:
            with open(self.record) as record:
                return record.read().split()
        except FileNotFoundError:
            return []
