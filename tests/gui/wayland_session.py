"""A private Wayland desktop for one GUI test, with the tools to look at it
and to press on it, shaped like XSession (xsession.py).

Each compositor runs nested: as one window on a private Xvfb of the screen's
size, at its origin, so that a pixel of the Xvfb is the same pixel of the
compositor's output. That gives every compositor the same eyes and hands:
`import` reads the screen off the Xvfb, and xdotool moves the Xvfb's pointer
and types on its keyboard, which the compositor takes as its own seat's
(headless compositors have no pointer at all). Clients connect to the
compositor's socket in a runtime folder of the session's own; with
`xwayland=True` they also get its XWayland display as DISPLAY.

    with SwaySession(xwayland=False) as session:
        session.start_launcher(program)
        session.click(100, 200)

Sessions: WestonSession, SwaySession, MutterSession, KWinSession. A
compositor that cannot start raises DesktopUnavailable saying why.
"""

import glob
import json
import os
import pwd
import re
import shutil
import subprocess
import tempfile
import time

from xsession import HEIGHT, OTHER_DESKTOPS, WIDTH, XvfbSession, tree_windows, wait_until

# sway refuses to run as root; it runs as this user, and root clients
# connect to its socket all the same.
NOBODY = 65534
# How long a compositor may take to come up on a busy two-core machine.
START_TIMEOUT = 60.0


class DesktopUnavailable(Exception):
    """The desktop cannot run on this machine; the message says why."""


class WaylandSession(XvfbSession):
    """What every nested compositor shares; a subclass says how to start its
    compositor (`compositor_argv`) and where its XWayland is."""
    name = "wayland"

    def __init__(self, xwayland=False, screen=(WIDTH, HEIGHT)):
        super().__init__(screen)
        self.xwayland = xwayland
        self.started_in = None

    # -- life cycle --------------------------------------------------------
    def start(self):
        began = time.monotonic()
        self.folder = tempfile.mkdtemp(prefix="desktop-%s-" % self.name)
        os.chmod(self.folder, 0o755)
        self.runtime = os.path.join(self.folder, "run")
        os.mkdir(self.runtime, 0o700)
        self.log_path = os.path.join(self.folder, "compositor.log")
        self.host = self.open_xvfb()
        if not self.host:
            raise DesktopUnavailable("Xvfb did not start")
        self.socket = "wayland-test"
        clean = {k: v for k, v in os.environ.items()
                 if k not in OTHER_DESKTOPS + ("DISPLAY", "XAUTHORITY", "DBUS_SESSION_BUS_ADDRESS",
                                               "SWAYSOCK", "I3SOCK")}
        compositor_env = dict(clean, DISPLAY=self.host, XDG_RUNTIME_DIR=self.runtime)
        argv = self.compositor_argv()
        if not shutil.which(self.program):
            raise DesktopUnavailable("%s is not installed" % self.program)
        with open(self.log_path, "w") as log:
            self.compositor = self.spawn(argv, env=compositor_env, cwd=self.folder, stdout=log,
                                         stderr=subprocess.STDOUT)
        if not wait_until(lambda: self.socket_up() or self.compositor.poll() is not None,
                          timeout=START_TIMEOUT) or self.compositor.poll() is not None:
            raise DesktopUnavailable("%s did not start: %s" % (self.name, self.log_tail()))
        self.env = dict(clean, WAYLAND_DISPLAY=self.socket, XDG_RUNTIME_DIR=self.runtime)
        if self.xwayland:
            self.env.update(self.xwayland_env())
        # A nested compositor learns where the pointer is from its motion
        # over its window: take the pointer to a known place once the window
        # is there.
        if not wait_until(self.output_window_shown, timeout=START_TIMEOUT):
            raise DesktopUnavailable("%s showed no window on its Xvfb: %s" % (self.name, self.log_tail()))
        self.park_pointer()
        self.started_in = time.monotonic() - began
        return self

    def output_window_shown(self):
        """Whether the compositor's window covers the Xvfb."""
        tree = self.run(["xwininfo", "-root", "-children"], check=False).stdout
        return " %dx%d+0+0 " % (self.width, self.height) in tree

    def socket_up(self):
        return os.path.exists(os.path.join(self.runtime, self.socket))

    def log_tail(self, lines=5):
        try:
            with open(self.log_path, errors="replace") as log:
                return " | ".join(log.read().strip().splitlines()[-lines:])
        except OSError:
            return "no log"

    def wait_for_log(self, pattern, what):
        """The first match of `pattern` in the compositor's log."""
        def search():
            if self.compositor.poll() is not None:
                return "ended"
            with open(self.log_path, errors="replace") as log:
                return re.search(pattern, log.read())
        found = wait_until(search, timeout=START_TIMEOUT, interval=0.1)
        if not found or found == "ended":
            raise DesktopUnavailable("%s: no %s: %s" % (self.name, what, self.log_tail()))
        return found

    def wait_for_file(self, path, what):
        if not wait_until(lambda: os.path.exists(path) and os.path.getsize(path) > 0
                          or self.compositor.poll() is not None, timeout=START_TIMEOUT) \
                or self.compositor.poll() is not None:
            raise DesktopUnavailable("%s: no %s: %s" % (self.name, what, self.log_tail()))
        with open(path) as f:
            return f.read().strip()

    # -- to be said by each compositor ------------------------------------------
    def compositor_argv(self):
        raise NotImplementedError

    def xwayland_env(self):
        raise NotImplementedError

    def windows(self):
        """Title, app_id/class, rect and floating of each window, where the
        compositor tells."""
        raise DesktopUnavailable("%s does not tell where its windows are" % self.name)

    # -- what the player does ------------------------------------------------
    def park_pointer(self):
        # weston counts the pointer's moves from where it first saw it, and
        # nested mutter gives a surface that maps under the pointer the
        # place where it entered: the pointer rests in the corner.
        self.move_pointer(self.width // 2, self.height // 2)
        self.move_pointer(0, 0)

    def click(self, x, y, button=1):
        # The move and the press go apart, so the compositor has given the
        # pointer to the surface below before the press comes: a nested
        # mutter on a busy machine takes a press that follows a move too
        # closely where the pointer was before the move.
        self.move_pointer(x, y)
        time.sleep(0.5)
        self.run(["xdotool", "click", str(button)])

    def release(self):
        self.run(["xdotool", "mouseup", "1"])

    def key(self, *keys):
        """Types `keys` (X keysym names: Escape, Return) to whatever has the
        keyboard focus."""
        self.run(["xdotool", "key"] + list(keys))


class WestonSession(WaylandSession):
    """weston's desktop shell, without its panel so that windows have the
    whole screen; its XWayland names its display in weston's log."""
    name = "weston"
    program = "weston"

    def compositor_argv(self):
        config = os.path.join(self.folder, "weston.ini")
        with open(config, "w") as f:
            f.write("[core]\nidle-time=0\n[shell]\npanel-position=none\nlocking=false\n")
        argv = ["weston", "--config=" + config, "--backend=x11-backend.so", "--width=%d" % self.width,
                "--height=%d" % self.height, "--socket=" + self.socket]
        return argv + (["--xwayland"] if self.xwayland else [])

    def xwayland_env(self):
        found = self.wait_for_log(r"xserver listening on display (:\d+)", "XWayland display")
        return {"DISPLAY": found.group(1)}


class SwaySession(WaylandSession):
    """sway with its stock configuration, as an unprivileged user (it will
    not run as root). Its children tell its XWayland display. `scale` is
    its output's, fractional ones included."""
    name = "sway"
    program = "sway"
    scale = 1

    def compositor_argv(self):
        os.chown(self.runtime, NOBODY, NOBODY)
        self.display_file = os.path.join(self.runtime, "display")
        config = os.path.join(self.folder, "sway.conf")
        with open(config, "w") as f:
            f.write("include /etc/sway/config\n")
            f.write("output X11-1 mode %dx%d position 0 0 scale %s\n" % (self.width, self.height, self.scale))
            if self.xwayland:
                # XWayland would otherwise start with the first X client.
                # Its XWayland lets in only sway's user: let the tests' in too.
                f.write("xwayland force\nexec sh -c 'xhost +si:localuser:%s; echo $DISPLAY > %s'\n"
                        % (pwd.getpwuid(os.getuid()).pw_name, self.display_file))
            else:
                f.write("xwayland disable\n")
        os.chmod(config, 0o644)
        # Its Wayland socket is named wayland-N; the session's is linked to it.
        return ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups",
                "env", "WLR_BACKENDS=x11", "WLR_RENDERER=pixman", "WLR_X11_OUTPUTS=1", "sway", "-c", config]

    def socket_up(self):
        # sway names its socket itself: wayland-N.
        sockets = [p for p in glob.glob(os.path.join(self.runtime, "wayland-*")) if not p.endswith(".lock")]
        if sockets:
            self.socket = os.path.basename(sockets[0])
        return bool(sockets)

    def xwayland_env(self):
        return {"DISPLAY": self.wait_for_file(self.display_file, "XWayland display")}

    def swaymsg(self, *args):
        sockets = glob.glob(os.path.join(self.runtime, "sway-ipc.*.sock"))
        return subprocess.run(["swaymsg", "-s", sockets[0]] + list(args), check=True, capture_output=True,
                              text=True, timeout=30).stdout

    def windows(self):
        return tree_windows(json.loads(self.swaymsg("-t", "get_tree")))


class MutterSession(WaylandSession):
    """GNOME's window manager without gnome-shell, on a bus of its own."""
    name = "mutter"
    program = "mutter"

    def compositor_argv(self):
        self.display_file = os.path.join(self.runtime, "display")
        argv = ["env", "MUTTER_DEBUG_DUMMY_MODE_SPECS=%dx%d" % (self.width, self.height),
                "dbus-run-session", "--", "mutter", "--nested", "--wayland",
                "--wayland-display=" + self.socket]
        if not self.xwayland:
            return argv + ["--no-x11"]
        return argv

    def xwayland_env(self):
        # mutter names its XWayland display in its log only when debugging;
        # its lock file and its authority file say it all the same.
        auth = wait_until(lambda: glob.glob(os.path.join(self.runtime, ".mutter-Xwaylandauth.*")),
                          timeout=START_TIMEOUT)
        if not auth:
            raise DesktopUnavailable("mutter: no XWayland authority: %s" % self.log_tail())
        found = self.wait_for_log(r"Using public X11 display (:\d+)", "XWayland display")
        return {"DISPLAY": found.group(1), "XAUTHORITY": auth[0]}


class KWinSession(WaylandSession):
    """KDE's window manager. /usr/bin/kwin_wayland carries a file capability
    a container may refuse to grant: a plain copy runs instead."""
    name = "kwin"
    program = "kwin_wayland"

    def compositor_argv(self):
        kwin = os.path.join(self.folder, "kwin_wayland")
        if shutil.which(self.program):
            shutil.copy(shutil.which(self.program), kwin)
        self.display_file = os.path.join(self.runtime, "display")
        argv = ["dbus-run-session", "--", kwin, "--x11-display", self.host, "--width", str(self.width),
                "--height", str(self.height), "--socket", self.socket, "--no-lockscreen"]
        if self.xwayland:
            # kwin starts the programs it is given once XWayland is up, with
            # DISPLAY and XAUTHORITY set.
            argv += ["--xwayland", "sh -c 'echo $DISPLAY $XAUTHORITY > %s'" % self.display_file]
        return argv

    def xwayland_env(self):
        display, _, auth = self.wait_for_file(self.display_file, "XWayland display").partition(" ")
        return {"DISPLAY": display, "XAUTHORITY": auth} if auth else {"DISPLAY": display}


DESKTOPS = [
    ("Weston", WestonSession, False),
    ("WestonXWayland", WestonSession, True),
    ("Sway", SwaySession, False),
    ("SwayXWayland", SwaySession, True),
    ("Mutter", MutterSession, False),
    ("MutterXWayland", MutterSession, True),
    ("KWin", KWinSession, False),
    ("KWinXWayland", KWinSession, True),
]
