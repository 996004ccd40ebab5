"""The game launcher's download as the player sees it on each desktop: a slow
download shows the program's own borderless window, centred over the login
window and above the program's other windows, which take no clicks
meanwhile; a second Enter meant for the page does not stop it, but Esc
does, and leaves the program as it was, with
nothing beside it, so that the next login downloads the launcher anew and
starts it."""

import json
import os
import signal
import time
import unittest

from pictures import FIGURE
from portal import LAUNCHER_PATH
from program import ENDING_SIGNALS, PAYLOAD, PAYLOAD_ARGS, LauncherTestCase, page
from xsession import DOWNLOAD_TITLE, START_FAILED_TITLE, for_each_desktop, wait_until


class Download(LauncherTestCase):
    suite = "download"

    def setUp(self):
        super().setUp()
        self.session.park_pointer()

    def log_in(self):
        """Clicks the page, which logs in."""
        self.click_page(300, 200)

    def test_escape_stops_the_download_and_the_next_login_fetches_and_starts_the_launcher(self):
        launcher = self.portal.launcher
        # A launcher of 20 MB, sent over half a minute: it is stopped long before.
        self.portal.launcher = launcher + b"\0" * (20 * 1024 * 1024 - len(launcher))
        self.portal.launcher_seconds = 30.0
        self.show_page()
        login = self.login_window()
        self.log_in()
        dialog = self.session.find_window(DOWNLOAD_TITLE, timeout=10)
        rect = self.assert_progress_window_over(dialog, login)
        # Clicks on the figure and on the page reach neither window: the
        # download window stays on top and no second download starts.
        x0, y0 = self.origin
        for point in ((x0 + FIGURE[0], y0 + FIGURE[1]), self.page_point(500, 350)):
            self.session.click(*point)
            time.sleep(0.5)
            self.assert_face_on_top(rect)
        self.session.park_pointer()
        self.assertEqual(len(self.portal.got(LAUNCHER_PATH)), 1)
        # Long enough for a speed and the time left.
        time.sleep(1.5)
        self.keep_screenshot("downloading")

        self.session.key(dialog, "Escape")
        self.assertTrue(wait_until(lambda: not self.session.window_shown(DOWNLOAD_TITLE), 5),
                        "the window stayed after Esc")
        self.assert_keeps_running(1.0)
        self.assertEqual(os.listdir(self.program.program_dir), ["login-launcher"],
                         "the stopped download left something beside the program")
        self.assertEqual(self.session.windows_named("下载失败"), [], "a stop the player chose was reported")
        self.keep_screenshot("stopped")

        self.portal.launcher = launcher
        self.portal.launcher_seconds = 0.0
        self.log_in()
        self.assertEqual(self.started_with(timeout=30), [PAYLOAD_ARGS])
        self.assert_exits_with(16)
        self.assertEqual(len(self.portal.got(LAUNCHER_PATH)), 2)

    def test_enter_pressed_twice_to_log_in_does_not_stop_the_download(self):
        self.portal.launcher_seconds = 2.0
        self.start(page("<input id='name' style='width:600px;height:400px'><script>"
                        "document.getElementById('name').addEventListener('keydown', function (e) {"
                        " if (e.key == 'Enter') window.external.AppLogin(%s); });"
                        "addEventListener('load', function () { new Image().src = '/beacon?shown'; });</script>"
                        % json.dumps(PAYLOAD)))
        self.assertTrue(wait_until(lambda: "shown" in self.portal.beacons, timeout=30))
        self.click_page(300, 200)
        self.session.run(["xdotool", "key", "Return"])
        self.assertTrue(wait_until(lambda: self.portal.got(LAUNCHER_PATH), timeout=10), "Enter did not log in")
        self.session.find_window(DOWNLOAD_TITLE, timeout=10)
        self.session.run(["xdotool", "key", "Return"])
        self.assertEqual(self.started_with(timeout=30), [PAYLOAD_ARGS])
        self.assert_exits_with(16)

    def test_a_busy_server_is_retried_in_the_window_and_the_launcher_then_started(self):
        # Two answers of 503: the window says it is trying again (after 1 s,
        # then 3 s), and the third request brings the launcher.
        self.portal.launcher_failures = 2
        self.show_page()
        login = self.login_window()
        self.log_in()
        dialog = self.session.find_window(DOWNLOAD_TITLE, timeout=10)
        self.assert_progress_window_over(dialog, login)
        self.assertTrue(wait_until(lambda: len(self.portal.got(LAUNCHER_PATH)) >= 2, 10), "no retry")
        time.sleep(0.5)
        self.keep_screenshot("retrying")
        self.assertEqual(self.started_with(timeout=30), [PAYLOAD_ARGS])
        self.assert_exits_with(16)
        self.assertEqual(len(self.portal.got(LAUNCHER_PATH)), 3)
        self.assertEqual(sorted(os.listdir(self.program.program_dir)), ["login-launcher", "vuntek_qx_launch.exe"])


for_each_desktop(Download, globals())
del Download


class EndingSignals(LauncherTestCase):
    """A signal ends the program with 128 + its number whatever it is doing,
    as 取消 would end it, leaving nothing beside the program. One desktop:
    nothing here is the window manager's."""
    suite = "download"

    def downloading(self):
        """20 MB sent over a minute, a piece of it already written."""
        self.portal.launcher += b"\0" * (20 << 20)
        self.portal.launcher_seconds = 60.0
        self.show_page()
        self.click_page(300, 200)
        self.assertTrue(wait_until(lambda: len(os.listdir(self.program.program_dir)) > 1, 10))

    def message_shown(self):
        # A launcher that cannot run: the player is told, then the program
        # would end with 16.
        with open(os.path.join(self.program.program_dir, "vuntek_qx_launch.exe"), "wb") as broken:
            broken.write(b"not a program")
        self.show_page()
        self.click_page(300, 200)
        self.session.find_window(START_FAILED_TITLE, timeout=10)
        os.remove(broken.name)

    def check(self, moment, signum, code):
        if moment == "starting":
            self.start(early_signal=signum)
            self.assert_exits_with(code, timeout=60)
        else:
            getattr(self, moment)()
            self.assert_ends_on(signum, code)
        self.assertEqual(os.listdir(self.program.program_dir), ["login-launcher"])
        self.assertFalse(self.program.has_started_launcher())


for moment, signum, code in [("downloading", s, c) for s, c in ENDING_SIGNALS] + [
        ("show_page", signal.SIGTERM, 143), ("message_shown", signal.SIGINT, 130),
        ("starting", signal.SIGHUP, 129)]:
    setattr(EndingSignals, "test_%s_%s_ends_with_%d" % (signum.name, moment, code),
            lambda self, m=moment, s=signum, c=code: self.check(m, s, c))

if __name__ == "__main__":
    unittest.main()
