"""What a screen reader reads of the program over AT-SPI: a private session
bus with at-spi2-core's accessibility bus on it, and the names of a
program's push buttons there. The reader runs under the system's Python,
which has Debian's AT-SPI bindings (python3-gi, gir1.2-atspi-2.0); the
tests' own Python may have none."""

import json
import os
import signal
import subprocess

READER = r"""
import json, sys
import gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi

def names(node):
    found = [node.get_name()] if node.get_role() == Atspi.Role.PUSH_BUTTON else []
    for i in range(node.get_child_count()):
        found += names(node.get_child_at_index(i))
    return found

desktop = Atspi.get_desktop(0)
apps = [desktop.get_child_at_index(i) for i in range(desktop.get_child_count())]
print(json.dumps([n for app in apps if app.get_process_id() == int(sys.argv[1]) for n in names(app)]))
"""


class AccessibilityBus:
    """While entered, a program given `address` as its
    DBUS_SESSION_BUS_ADDRESS shows its windows to button_names()."""

    def __init__(self, env):
        self.env = dict(env)
        self.processes = []

    def __enter__(self):
        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"], stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, text=True, start_new_session=True, env=self.env)
        self.processes.append(bus)
        self.address = self.env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
        self.processes.append(subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                               env=self.env, stderr=subprocess.DEVNULL, start_new_session=True))
        # A program that asks before the launcher took its name never asks again.
        subprocess.run(["gdbus", "wait", "--session", "--timeout", "30", "org.a11y.Bus"], env=self.env, check=True,
                       timeout=60)
        return self

    def __exit__(self, *exc):
        for process in reversed(self.processes):
            os.killpg(process.pid, signal.SIGTERM)
            process.wait(timeout=10)
            if process.stdout:
                process.stdout.close()

    def button_names(self, pid):
        """The names of the program `pid`'s push buttons, in the tree's order."""
        reader = subprocess.run(["/usr/bin/python3", "-c", READER, str(pid)], env=self.env, capture_output=True,
                                text=True, timeout=60)
        assert reader.returncode == 0, reader.stderr
        return json.loads(reader.stdout)
