"""What a screen reader learns of the program over AT-SPI: a private session
bus with the accessibility bus that at-spi2-core starts on it, for the
program and for the reader alike, and the push buttons a program shows
there, each with its name.

The reader runs under the system's Python, whose GObject bindings
(python3-gi, gir1.2-atspi-2.0) Debian installs; the tests' own Python may
have none."""

import json
import os
import signal
import subprocess

from xsession import wait_until

SYSTEM_PYTHON = "/usr/bin/python3"
BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"

# Prints the name of every push button of the program whose process is
# argv[1], as a JSON list, in the order the tree holds them.
READER = r"""
import json, sys
import gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi

def walk(node, found):
    if node is None:
        return
    if node.get_role() == Atspi.Role.PUSH_BUTTON:
        found.append(node.get_name())
    for i in range(node.get_child_count()):
        walk(node.get_child_at_index(i), found)

desktop = Atspi.get_desktop(0)
found = []
for i in range(desktop.get_child_count()):
    app = desktop.get_child_at_index(i)
    if app is not None and app.get_process_id() == int(sys.argv[1]):
        walk(app, found)
print(json.dumps(found))
"""


class AccessibilityBus:
    """A session bus and its accessibility bus, for as long as the object is
    entered: a program given `address` as its DBUS_SESSION_BUS_ADDRESS shows
    its windows to the reader."""

    def __init__(self, env):
        self.env = dict(env)
        self.processes = []
        self.address = None

    def __enter__(self):
        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"], stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, text=True, start_new_session=True, env=self.env)
        self.processes.append(bus)
        self.address = bus.stdout.readline().strip()
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self.address
        self.processes.append(subprocess.Popen([BUS_LAUNCHER, "--launch-immediately"], env=self.env,
                                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                               start_new_session=True))
        ready = wait_until(lambda: "org.a11y.Bus" in subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
             "org.freedesktop.DBus.ListNames"], env=self.env, capture_output=True, text=True, timeout=10).stdout,
            timeout=15, interval=0.2)
        if not ready:
            self.__exit__(None, None, None)
            raise RuntimeError("the accessibility bus did not start")
        return self

    def __exit__(self, *exc):
        for process in reversed(self.processes):
            try:
                os.killpg(process.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            process.wait(timeout=10)
            if process.stdout:
                process.stdout.close()
        self.processes = []

    def button_names(self, pid):
        """The names of the program's push buttons as a screen reader reads
        them, in the accessibility tree's order."""
        reader = subprocess.run([SYSTEM_PYTHON, "-c", READER, str(pid)], env=self.env, capture_output=True,
                                text=True, timeout=60)
        assert reader.returncode == 0, reader.stderr
        return json.loads(reader.stdout)
