"""A private X server for one GUI test, with the tools to look at it.

Each session starts its own Xvfb (1920 x 1080, larger than the 1334-pixel
window, unless the test asks for another size), a stand-in desktop window of a
known colour that records clicks, and, on request, a window manager: openbox
(with or without the compositing manager xcompmgr), xfwm4 or metacity (both
compositing themselves). Windows are found by their title or the program's
class; screenshots come from `import -window root`, as a player would see
the screen, and are kept under $LAUNCHER_SCREENSHOTS when that is set.
"""

import json
import os
import re
import select
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

from pictures import Screenshot

BUILD = os.environ.get("LAUNCHER_BUILD_DIR", os.path.join(os.path.dirname(__file__), "../../build"))
DESKTOP = os.path.join(BUILD, "tests", "test-desktop")
DESKTOP_RGB = (0x30, 0x70, 0xA0)
WIDTH, HEIGHT = 1920, 1080
# Where the pointer rests when it should light up no button of the program.
CORNER = (5, 5)
SCREENSHOTS = os.environ.get("LAUNCHER_SCREENSHOTS")

# The class of every window of the program (the desktop entry's name).
APP_ID = os.environ.get("LAUNCHER_APP_ID", "com.tharnvale.LoginLauncher")
# The titles of the program's windows, by which the tests find them.
MAIN_TITLE = "Tharnvale"
CONFIRMATION_TITLE = "关闭游戏"
DOWNLOAD_TITLE = "正在下载游戏启动器"
START_FAILED_TITLE = "【启动失败】"


# The desktops the window tests run on: name, window manager, xcompmgr. Players
# use all kinds; these differ in how they place, stack and shape windows.
DESKTOPS = [
    ("OpenboxComposited", "openbox", True),
    ("OpenboxPlain", "openbox", False),
    ("Xfwm4", "xfwm4", False),
    ("Metacity", "metacity", False),
]
WINDOW_MANAGERS = {
    "openbox": ["openbox"],
    # xfwm4 keeps its settings in xfconf, which it reaches over a session bus.
    "xfwm4": ["dbus-run-session", "--", "xfwm4", "--compositor=on", "--sm-client-disable"],
    "metacity": ["metacity", "--composite", "--sm-disable"],
    # A tiling one, with the configuration i3 gives a player who has none
    # (written out by the session: see i3_config).
    "i3": ["i3", "-c"],
}


def i3_config(folder):
    """i3's stock configuration, less its first-run wizard (a window of its
    own that would take the focus), written into `folder`."""
    with open("/etc/i3/config") as stock:
        lines = [line for line in stock if "i3-config-wizard" not in line or line.lstrip().startswith("#")]
    path = os.path.join(folder, "i3.config")
    with open(path, "w") as config:
        config.writelines(lines)
    return path


def screenshot_path(name):
    """Where the screenshot `name` is kept for a person to look at; None when
    the run keeps none."""
    if not SCREENSHOTS:
        return None
    os.makedirs(SCREENSHOTS, exist_ok=True)
    return os.path.join(SCREENSHOTS, name + ".png")


class SessionPerClass:
    """One X session for all the tests of a class, on the desktop the class
    names (openbox with a compositing manager unless it says otherwise), on
    a screen of the size it names."""
    window_manager = "openbox"
    compositor = True
    screen = (WIDTH, HEIGHT)
    # The first word of the names of the screenshots the tests keep.
    suite = "gui"

    @classmethod
    def setUpClass(cls):
        cls.session = cls.make_session().__enter__()

    @classmethod
    def make_session(cls):
        return XSession(cls.window_manager, cls.compositor, cls.screen)

    @classmethod
    def tearDownClass(cls):
        cls.session.__exit__(None, None, None)

    def keep_screenshot(self, name):
        """A screenshot, kept as <suite>-<class>-<name>.png: the class names
        the desktop where a suite runs on several."""
        return self.session.screenshot(
            keep_as=screenshot_path("%s-%s-%s" % (self.suite, type(self).__name__, name)))


def for_each_desktop(base, namespace, desktops=None):
    """Adds to `namespace` one unittest class per desktop, each running the
    tests of `base` (a class that reads `window_manager` and `compositor`)."""
    bases = (base,) if issubclass(base, unittest.TestCase) else (base, unittest.TestCase)
    for name, manager, compositor in desktops or DESKTOPS:
        cls_name = base.__name__ + "Under" + name
        namespace[cls_name] = type(cls_name, bases, {"window_manager": manager, "compositor": compositor})


def tree_windows(tree):
    """The windows of an i3 or sway layout tree (`-t get_tree`): each a dict
    of title, app_id (Wayland) or class (X11), rect (x, y, width, height)
    and floating."""
    found = []

    def visit(node, floating):
        if node.get("type") in ("con", "floating_con") and not node.get("nodes") and \
                not node.get("floating_nodes") and (node.get("window") or node.get("app_id")):
            rect = node["rect"]
            properties = node.get("window_properties") or {}
            found.append({
                "title": node.get("name"),
                "app_id": node.get("app_id"),
                "class": properties.get("class"),
                "rect": (rect["x"], rect["y"], rect["width"], rect["height"]),
                "floating": floating,
            })
        for child in node.get("nodes", []):
            visit(child, floating)
        for child in node.get("floating_nodes", []):
            visit(child, True)

    visit(tree, False)
    return found


def wait_until(predicate, timeout=10.0, interval=0.05):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            return value
        time.sleep(interval)


def start_xvfb(width, height):
    """A private Xvfb of `width` x `height`: its process, and its display
    (":N"), or None when it did not start."""
    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{width}x{height}x24", "-nolisten", "tcp"],
        pass_fds=[write_fd], stderr=subprocess.DEVNULL)
    os.close(write_fd)
    with os.fdopen(read_fd) as pipe:
        number = pipe.readline().strip()
    return xvfb, (":" + number if number else None)


def end_process_groups(processes):
    """Ends each process, the last started first, with the process group it
    leads: a bus and what it started, the web processes of a program, a
    compositor's XWayland."""
    for process in reversed(processes):
        for sig in (signal.SIGTERM, signal.SIGKILL):
            try:
                os.killpg(process.pid, sig)
            except (ProcessLookupError, PermissionError):
                if process.poll() is None:
                    process.kill()
                    process.wait(timeout=5)
                break
            try:
                process.wait(timeout=5)
                break
            except subprocess.TimeoutExpired:
                continue
        # What the leader left behind in its group.
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            pass
        if process.stdout:
            process.stdout.close()


# Taken out of the environment of the programs a test desktop runs: they
# show on that desktop only, at its own scale.
OTHER_DESKTOPS = ("WAYLAND_DISPLAY", "GDK_BACKEND", "GDK_SCALE", "GDK_DPI_SCALE")


class XvfbSession:
    """What every test desktop shares: a private Xvfb, whose screen is what
    the player sees and whose pointer and keyboard are the player's hands;
    the helpers started for the session; and a folder of its own. All of it
    goes when the session ends. A subclass starts its desktop on the Xvfb
    (`start`) and sets `env`, the environment of the programs that show on
    it."""

    def __init__(self, screen):
        self.width, self.height = screen
        self.helpers = []
        self.folder = None
        self.xvfb = None
        self.xvfb_env = None
        self.env = None

    def __enter__(self):
        try:
            return self.start()
        except BaseException:
            self.__exit__(None, None, None)
            raise

    def start(self):
        raise NotImplementedError

    def __exit__(self, *exc):
        # A helper's pipes to us (the stand-in desktop's clicks) go with it.
        end_process_groups(self.helpers)
        self.helpers = []
        if self.xvfb is not None:
            self.xvfb.terminate()
            self.xvfb.wait(timeout=10)
            self.xvfb = None
        if self.folder:
            shutil.rmtree(self.folder, ignore_errors=True)
            self.folder = None

    def open_xvfb(self):
        """Starts the session's Xvfb: its display (":N"), or None when it did
        not start."""
        self.xvfb, display = start_xvfb(self.width, self.height)
        if display:
            self.xvfb_env = {k: v for k, v in os.environ.items() if k not in OTHER_DESKTOPS}
            self.xvfb_env["DISPLAY"] = display
        return display

    def spawn(self, argv, env=None, **kwargs):
        """Starts a helper; it ends with the session at the latest."""
        process = subprocess.Popen(argv, env=env or self.env, start_new_session=True, **kwargs)
        self.helpers.append(process)
        return process

    def run(self, argv, check=True):
        """Runs a tool on the session's Xvfb (xdotool, xprop, wmctrl...)."""
        return subprocess.run(argv, env=self.xvfb_env, check=check, capture_output=True, text=True,
                              timeout=30)

    # -- the program's windows -------------------------------------------------
    def start_launcher(self, program, cwd=None, env=None):
        """Starts `program` on this desktop; it ends with the session at the
        latest."""
        environment = dict(self.env, G_DEBUG="fatal-criticals", **(env or {}))
        return self.spawn([os.path.abspath(program)], env=environment, cwd=cwd, stderr=subprocess.DEVNULL)

    # -- what the player sees and does ------------------------------------------
    def screenshot(self, keep_as=None):
        """The screen now; also saved as the PNG file `keep_as` if given, so
        that what a person looks at is what the test read."""
        raw = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"], env=self.xvfb_env,
                             check=True, capture_output=True, timeout=30).stdout
        if keep_as:
            subprocess.run(["convert", "-size", "%dx%d" % (self.width, self.height), "-depth", "8",
                            "rgb:-", keep_as], input=raw, check=True, timeout=30)
        return Screenshot(raw, self.width)

    def click(self, x, y, button=1):
        self.run(["xdotool", "mousemove", str(x), str(y), "click", str(button)])

    def move_pointer(self, x, y):
        self.run(["xdotool", "mousemove", str(x), str(y)])

    def press(self):
        """Presses the pointer's first button where the pointer is."""
        self.run(["xdotool", "mousedown", "1"])

    def drag(self, start, end, steps=10):
        # The moves go one by one with pauses, in a process of their own, so
        # that the window manager sees a real drag.
        commands = ["mousemove", str(start[0]), str(start[1]), "sleep", "0.4", "mousedown", "1", "sleep", "0.2"]
        for i in range(1, steps + 1):
            x = start[0] + (end[0] - start[0]) * i // steps
            y = start[1] + (end[1] - start[1]) * i // steps
            commands += ["sleep", "0.05", "mousemove", str(x), str(y)]
        commands += ["sleep", "0.2", "mouseup", "1"]
        self.run(["xdotool"] + commands)


class XSession(XvfbSession):
    def __init__(self, window_manager=False, compositor=False, screen=(WIDTH, HEIGHT), desktop_rgb=DESKTOP_RGB):
        super().__init__(screen)
        # True stands for openbox, the first window manager the tests had.
        self.window_manager = "openbox" if window_manager is True else window_manager
        self.compositor = compositor
        self.desktop_rgb = desktop_rgb

    # -- life cycle --------------------------------------------------------
    def start(self):
        assert self.open_xvfb(), "Xvfb did not start"
        self.env = dict(self.xvfb_env)
        self.desktop = self.spawn([DESKTOP, "#%02x%02x%02x" % self.desktop_rgb],
                                  stdout=subprocess.PIPE, text=True)
        assert self.desktop.stdout.readline().strip() == "mapped", "the test desktop did not map"
        if self.window_manager:
            argv = WINDOW_MANAGERS[self.window_manager]
            if self.window_manager == "i3":
                self.folder = tempfile.mkdtemp(prefix="xsession-i3-")
                argv = argv + [i3_config(self.folder)]
            self.spawn(argv, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
            # A window manager that takes over windows already shown places
            # them as it likes: the tests start theirs once it is running.
            assert wait_until(lambda: self.run(["wmctrl", "-m"], check=False).returncode == 0,
                              timeout=20), "%s did not start" % self.window_manager
            if self.window_manager not in ("openbox", "i3"):
                time.sleep(1.0)  # its compositor comes up after it
        if self.compositor:
            self.spawn(["xcompmgr"], stderr=subprocess.DEVNULL)
            wait_until(lambda: "_NET_WM_CM_S0" in self.run(
                ["xprop", "-root", "_NET_WM_CM_S0"], check=False).stdout or True, timeout=1)
            time.sleep(0.3)
        return self


    # -- the program's windows -------------------------------------------------
    def windows_named(self, pattern):
        """The ids of the visible windows whose title matches `pattern`, a
        regular expression that matches anywhere in the title."""
        return self.run(["xdotool", "search", "--onlyvisible", "--name", pattern], check=False).stdout.split()

    def window_shown(self, name):
        """Whether a window of exactly that title is in sight."""
        return bool(self.windows_named("^%s$" % name))

    def find_window(self, name, timeout=15.0, process=None):
        """The first visible window of that name. With `process`, gives up
        as soon as that process has ended, saying how."""
        def search():
            if process is not None and process.poll() is not None:
                return "ended"
            ids = self.windows_named("^%s$" % name)
            return ids[0] if ids else None
        window = wait_until(search, timeout)
        assert window != "ended", "the program ended (exit code %s) before a window named %r showed" % (
            process.returncode if process else None, name)
        assert window, "no visible window named %r" % name
        return window

    def program_windows(self, visible=True):
        """The ids of the program's windows, found by their class."""
        visibility = ["--onlyvisible"] if visible else []
        return self.run(["xdotool", "search"] + visibility + ["--class", "^%s$" % re.escape(APP_ID)],
                        check=False).stdout.split()

    def geometry(self, window):
        """Absolute x, y, width and height of a window."""
        info = self.run(["xwininfo", "-id", str(window)]).stdout
        fields = {}
        for line in info.splitlines():
            key, _, value = line.strip().partition(":")
            fields[key] = value.strip()
        return (int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]),
                int(fields["Width"]), int(fields["Height"]))

    def wait_geometry(self, window, predicate, timeout=5.0):
        return wait_until(lambda: predicate(self.geometry(window)) and self.geometry(window),
                          timeout) or self.geometry(window)

    def windows(self):
        """Under i3: title, class, rect and floating of each window."""
        return tree_windows(json.loads(self.run(["i3-msg", "-t", "get_tree"]).stdout))

    def xprop(self, window, prop):
        return self.run(["xprop", "-id", str(window), prop]).stdout

    def move_window(self, window, x, y):
        """Moves a window as its window manager would."""
        self.run(["xdotool", "windowmove", str(window), str(x), str(y)])

    def close_window(self, name):
        """Asks the window manager to close the window of that title, as its
        close button in a frame would."""
        self.run(["wmctrl", "-c", name])

    # -- what the player sees and does ------------------------------------------
    def park_pointer(self):
        """Moves the pointer to the screen's corner, away from the program's
        windows, so that no button of theirs is lit."""
        self.move_pointer(*CORNER)

    def release_aside(self):
        """Takes the pressed pointer to the screen's corner and releases it
        there: a press that clicks nothing."""
        self.run(["xdotool", "mousemove", str(CORNER[0]), str(CORNER[1]), "mouseup", "1"])

    def key(self, window, *keys):
        self.run(["xdotool", "windowactivate", "--sync", str(window)], check=False)
        self.run(["xdotool", "key", "--clearmodifiers"] + list(keys))

    def desktop_clicks(self, timeout=2.0):
        """The clicks the stand-in desktop has received since the last call."""
        clicks = []
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            ready, _, _ = select.select([self.desktop.stdout], [], [], 0.1)
            if ready:
                line = self.desktop.stdout.readline().split()
                if line and line[0] == "click":
                    clicks.append((int(line[1]), int(line[2])))
            elif clicks:
                break
        return clicks
