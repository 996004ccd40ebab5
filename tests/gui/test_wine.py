"""A Windows game launcher as the player meets it, under the machine's real
Wine: the first start prepares the program's own Wine prefix in a window of
the download window's look, centred over the login window, which Esc cancels
leaving nothing of the prefix behind and the program running; then the
launcher (the tests' Windows probe) starts under Wine with exactly the command
line Windows gives, at the desktop's DPI, and the program ends with 16."""

import os
import shutil
import signal
import stat
import subprocess
import tempfile
import time
import unittest

from pictures import BROWSER
from portal import Portal
from program import LauncherTestCase, ONLINE_PORT, PAYLOAD_ARGS
from xsession import BUILD, for_each_desktop, wait_until

PREPARING_TITLE = "正在准备游戏运行环境…"
STARTING_TITLE = "正在启动游戏…"
# A 32-bit game launcher, as the real one is: the probe records how it was
# started (tests/support/WindowsProbe.c).
PROBE = os.path.join(BUILD, "tests", "wine-probe-32.exe")


def probe_record(path):
    """The probe's record as name → value; empty until it has run."""
    try:
        with open(path) as record:
            return dict(line.rstrip("\n").split("=", 1) for line in record if "=" in line)
    except FileNotFoundError:
        return {}


def wine_processes(prefix):
    """Wine's processes in `prefix`, its server among them."""
    def runs_there(pid):
        try:
            with open("/proc/%s/environ" % pid, "rb") as environ:
                return ("WINEPREFIX=%s" % prefix).encode() in environ.read().split(b"\0")
        except OSError:
            return False
    return [pid for pid in os.listdir("/proc") if pid.isdigit() and runs_there(pid)]


def wide_hex(text):
    """UTF-16 text as the probe writes it: four hex digits a code unit."""
    return text.encode("utf-16-be").hex()


def windows_path(path):
    """The Windows name of a Unix path in a new prefix: drive Z: is "/"."""
    return "Z:" + path.replace("/", "\\")


class WineTestCase(LauncherTestCase):
    """The program with its Wine helpers beside it, a prefix of the test's
    own (gone with the test, its Wine server stopped), and the Windows probe
    as the game launcher the portal offers."""
    suite = "wine"
    wine_helpers = True

    def make_portal(self):
        return Portal(ONLINE_PORT, PROBE)

    def setUp(self):
        super().setUp()
        self.prefix = os.path.join(self.program.folder, "prefix")
        self.record = os.path.join(self.program.folder, "probe-record")
        # Where Wine's server keeps its socket: Debian's Wine makes a folder
        # there for each prefix.
        self.tmp = os.path.join(self.program.folder, "tmp")
        os.makedirs(self.tmp)
        self.program.env.update(THARNVALE_WINEPREFIX=self.prefix, PROBE_RECORD=self.record,
                                TMPDIR=self.tmp)
        self.addCleanup(self.stop_wine)

    def stop_wine(self):
        if os.path.isdir(self.prefix):
            subprocess.run(["wineserver", "-k"],
                           env=dict(os.environ, WINEPREFIX=self.prefix, TMPDIR=self.tmp),
                           stderr=subprocess.DEVNULL, check=False)

    def log_in(self):
        """Clicks the middle of the page, which logs in."""
        x0, y0, w, h = self.session.geometry(self.window)
        self.session.click(x0 + (BROWSER[0] + BROWSER[2] // 2) * self.scale,
                           y0 + (BROWSER[1] + BROWSER[3] // 2) * self.scale)


class PreparingWindow(WineTestCase):

    def test_preparing_shows_over_the_login_window_and_esc_cancels_it_leaving_nothing(self):
        self.session.park_pointer()
        self.show_page()
        login = self.login_window()
        self.log_in()
        dialog = self.session.find_window(PREPARING_TITLE, timeout=30)
        time.sleep(0.5)
        self.keep_screenshot("preparing-shown")
        self.assert_progress_window_over(dialog, login)
        time.sleep(1.0)
        self.keep_screenshot("preparing")

        self.session.key(dialog, "Escape")
        self.assertTrue(wait_until(lambda: not self.session.window_shown(PREPARING_TITLE), 20),
                        "the window stayed after Esc")
        self.assert_keeps_running(1.0)
        self.assertEqual(os.listdir(self.prefix), [], "the cancelled prefix was left behind")
        self.assertEqual(os.listdir(self.tmp), [], "its server's folder was left behind")
        self.assertEqual(probe_record(self.record), {}, "the game launcher ran")
        self.assertEqual(self.session.windows_named("启动失败"), [], "a cancel the player chose was reported")
        self.keep_screenshot("cancelled")


for_each_desktop(PreparingWindow, globals())
del PreparingWindow


class EndingSignal(WineTestCase):

    def test_a_signal_while_preparing_ends_the_program_as_esc_would(self):
        self.show_page()
        self.log_in()
        self.assertTrue(wait_until(lambda: os.listdir(self.prefix) and wine_processes(self.prefix), 30))
        self.assert_ends_on(signal.SIGTERM, 143)
        self.assertTrue(wait_until(lambda: not wine_processes(self.prefix), 10), "Wine stayed")
        self.assertEqual(os.listdir(self.prefix) + os.listdir(self.tmp), [], "the prefix stayed")
        self.assertEqual(probe_record(self.record), {}, "the game launcher ran")


class WineJourney(WineTestCase):
    """On a HiDPI desktop, where Windows programs must be told so; the tests
    share one prefix, which the first of them makes."""
    screen = (3840, 2160)
    scale = 2

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.shared = tempfile.mkdtemp(prefix="wine-journey-")

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["wineserver", "-k"],
                       env=dict(os.environ, WINEPREFIX=cls.shared + "/prefix", TMPDIR=cls.shared + "/tmp"),
                       stderr=subprocess.DEVNULL, check=False)
        shutil.rmtree(cls.shared, ignore_errors=True)
        super().tearDownClass()

    def setUp(self):
        super().setUp()
        self.prefix = os.path.join(self.shared, "prefix")
        self.tmp = os.path.join(self.shared, "tmp")
        os.makedirs(self.tmp, exist_ok=True)
        self.program.env.update(THARNVALE_WINEPREFIX=self.prefix, TMPDIR=self.tmp)

    def test_the_launcher_starts_under_wine_with_the_windows_command_line_and_the_program_ends(self):
        self.session.park_pointer()
        self.show_page()
        self.log_in()
        if not os.path.exists(self.prefix):
            self.assertTrue(wait_until(lambda: self.session.window_shown(PREPARING_TITLE), 30),
                            "no preparing window")
            self.keep_screenshot("preparing")
        self.assertTrue(wait_until(lambda: "wide" in probe_record(self.record), 180),
                        "the game launcher did not run: %s" % self.program.errors())
        self.assert_exits_with(16, timeout=30)

        record = probe_record(self.record)
        launcher = os.path.join(self.program.launcher_dir, "vuntek_qx_launch.exe")
        self.assertEqual(record["wide"], wide_hex('"%s" %s' % (windows_path(launcher), PAYLOAD_ARGS)))
        self.assertEqual(record["acp"], "936")
        self.assertEqual(record["dpi"], "192")
        self.assertEqual(record["cwd"], wide_hex(windows_path(self.program.launcher_cwd)))
        self.assertEqual(stat.S_IMODE(os.stat(self.prefix).st_mode), 0o700)

    def test_under_steam_the_program_waits_without_windows_until_the_game_has_ended(self):
        self.program.env.update(SteamAppId="0", PROBE_LINGER_MS="4000")
        self.session.park_pointer()
        self.show_page()
        self.log_in()
        self.assertTrue(wait_until(lambda: "wide" in probe_record(self.record), 180),
                        "the game launcher did not run: %s" % self.program.errors())
        self.assertTrue(wait_until(lambda: not self.session.program_windows(), 5),
                        "the program's windows stayed")
        self.keep_screenshot("waiting")
        self.assertIsNone(self.program.process.poll(), "the program ended with the game running")
        self.assertEqual(self.program.exit_code(timeout=60), 16)
        self.assertIn("ended", probe_record(self.record), "the program ended before the game")


if __name__ == "__main__":
    unittest.main()

