"""The player's whole path through the real program: the login page in the
login window, the login handed back by each of the three routes (a page
script's window.external call, which a frame of another origin does not
have; a code callback address; a query callback address), the game
launcher fetched and started, and the program gone with exit code 16."""

import os
import shutil
import subprocess
import time
import unittest

from pictures import FIGURE
from portal import LAUNCHER_PATH
from program import (FAKE_LAUNCHER, LOGIN_PATH, ONLINE_PORT, PAYLOAD, PAYLOAD_ARGS, PAYLOAD_LOG, LauncherTestCase,
                     beacon, page)
from xsession import MAIN_TITLE, wait_until


class Login(LauncherTestCase):
    suite = "login"

    # -- the script route ------------------------------------------------------
    def test_page_script_reads_the_property_and_logs_in(self):
        self.start(page(
            "<p id='status'>waiting</p>",
            head="<script>" + beacon("'xxyyzz=' + window.external.xxyyzz") + "</script>"
            "<script>addEventListener('load', function () { setTimeout(function () {"
            " window.external.AppLogin(%r); }, 300); });</script>" % PAYLOAD))
        self.assertEqual(self.started_with(), [PAYLOAD_ARGS])
        self.assert_exits_with(16)
        self.assertIn("xxyyzz=Wibble", self.portal.beacons)
        self.assertEqual(len(self.portal.got(LAUNCHER_PATH)), 1, "fetched once, since it was missing")
        with open(os.path.join(self.program.work_dir, "log.txt")) as log_file:
            log = log_file.read()
        self.assertEqual(log, PAYLOAD_LOG)
        self.assertEqual(os.stat(os.path.join(self.program.work_dir, "log.txt")).st_mode & 0o777, 0o600)

    def test_page_has_the_keyboard_from_the_first_key(self):
        # No click into the page first: its autofocus field takes the keys,
        # and F5 reloads it.
        self.show_page()
        self.session.run(["xdotool", "type", "tharn"])
        self.session.run(["xdotool", "key", "Return"])
        self.assertTrue(wait_until(lambda: "typed=tharn" in self.portal.beacons, timeout=10),
                        "the field got no keys: %s" % self.portal.beacons)
        self.session.run(["xdotool", "key", "F5"])
        self.assertTrue(wait_until(lambda: self.portal.beacons.count("shown") == 2, timeout=10), "F5 did not reload")
        self.assertIsNone(self.launcher.poll())

    def test_login_session_is_kept_where_only_the_player_can_read_it(self):
        os.umask(0o022)
        self.start(page("<script>document.cookie = 'session=s3cr3t; max-age=3600';"
                        "setTimeout(function () { window.external.AppLogin(%r); }, 500);</script>"
                        % PAYLOAD))
        self.started_with()
        self.assert_exits_with(16)
        data = os.path.join(self.program.folder, "data", "tharnvale-login-launcher")
        cache = os.path.join(self.program.folder, "cache", "tharnvale-login-launcher")
        self.assertTrue(os.path.exists(os.path.join(data, "cookies.sqlite")))
        for folder in (data, cache):
            self.assertEqual(os.stat(folder).st_mode & 0o777, 0o700, folder)

    def test_partial_download_a_killed_run_left_is_removed_at_start(self):
        stale = os.path.join(self.program.program_dir, ".vuntek_qx_launch.exe.part-K1lled")
        current = os.path.join(self.program.program_dir, ".vuntek_qx_launch.exe.part-Now123")
        for name in (stale, current):
            with open(name, "wb") as part:
                part.write(b"\0" * 4096)
        day_ago = time.time() - 86400
        os.utime(stale, (day_ago, day_ago))
        self.start(page("<p>hello</p>"))
        self.assertTrue(wait_until(lambda: not os.path.exists(stale), timeout=10))
        self.assertTrue(os.path.exists(current), "another run's download in progress was removed")

    def test_frame_of_another_origin_has_no_bridge(self):
        frame = "http://localhost:%d/frame.html" % ONLINE_PORT
        self.portal.pages["/frame.html"] = page(
            "<script>" + beacon("'frame=' + typeof window.external") +
            "try { window.external.AppLogin(%r); } catch (e) {}</script>" % PAYLOAD)
        self.start(page("<iframe src='%s' width=300 height=200></iframe>" % frame))
        self.assertTrue(wait_until(lambda: "frame=undefined" in self.portal.beacons, timeout=30))
        self.assert_keeps_running()

    def test_unknown_members_and_refused_calls_do_no_harm(self):
        self.start(page("<script>" + beacon(
            "[typeof window.external.app, typeof window.external.APPLOGIN,"
            " typeof window.external.Apple, window.external.xxyFoo].join(',')") +
            "window.external.AppLogin(); window.external.AppLogin(42);"
            + beacon("'after=' + document.title") + "</script>"))
        self.assertTrue(wait_until(lambda: any(b.startswith("after=") for b in self.portal.beacons)))
        self.assertIn("undefined,undefined,function,Wibble", self.portal.beacons)
        self.assert_keeps_running()

    # -- the callback routes ----------------------------------------------------
    def test_code_callback_hands_off_the_whole_address(self):
        callback = "/plumoqx/codeCallback.htm?code=C0DE&state=%C3%A9"
        self.start(page("<script>setTimeout(function () { location = %r; }, 300);</script>" % callback))
        self.assertEqual(self.started_with(), [self.portal.origin() + callback])
        self.assert_exits_with(16)

    def test_query_callback_in_a_frame(self):
        callback = "/baidu/codeCallback.htm?server_id=2&token=tk=&user_id=7&sign=s%20g&x=1"
        self.start(page("<iframe src='%s'></iframe>" % callback))
        self.assertEqual(self.started_with(), [",id^7,auth_key^tk=&2&0&s%20g"])
        self.assert_exits_with(16)

    def test_need_code_and_failed_pages_are_not_handed_off(self):
        self.start(page(
            "<iframe src='/plumoqx/codeCallback.htm?code=1&needCode=1'></iframe>"
            "<iframe src='/missing'></iframe>"
            "<iframe src='http://127.0.0.1:47129/refused'></iframe>"))
        self.assert_keeps_running(3.0)
        self.keep_screenshot("page-with-frames")
        self.session.close_window(MAIN_TITLE)
        self.assert_exits_with(0)

    # -- the player's hands -----------------------------------------------------
    def test_clicked_link_still_navigates_and_no_context_menu_opens(self):
        self.start(page(
            "<a id='go' href='/plumoqx/codeCallback.htm?code=LINK' style='display:block;"
            "width:631px;height:200px;background:#e80'>log in</a>"
            "<a href='/plumoqx/codeCallback.htm?code=LINK'>same target</a>"))
        wait_until(lambda: self.portal.got(LOGIN_PATH), timeout=10)
        time.sleep(1.0)
        before = self.session.screenshot()
        self.click_page(300, 300, button=3)
        time.sleep(0.8)
        after = self.session.screenshot()
        for dx, dy in ((310, 310), (380, 360), (420, 400), (340, 330)):
            point = self.page_point(dx, dy)
            self.assertEqual(after.pixel(*point), before.pixel(*point), "a menu opened at %s" % (point,))
        self.keep_screenshot("login-page")
        self.click_page(300, 100)
        self.assertEqual(self.started_with(), [self.portal.origin() + "/plumoqx/codeCallback.htm?code=LINK"])
        self.assert_exits_with(16)

    def test_both_windows_move_as_one(self):
        self.start(page("<p style='color:white'>drag me around</p>"))
        wait_until(lambda: self.portal.got(LOGIN_PATH), timeout=10)
        time.sleep(1.0)
        login = self.login_window()
        x0, y0 = self.session.geometry(self.window)[:2]
        # Drag the background by the figure's cloak, far from the login items.
        grab = (x0 + FIGURE[0], y0 + FIGURE[1])
        self.session.drag(grab, (grab[0] - 120, grab[1] - 70))
        moved = self.session.wait_geometry(self.window, lambda g: (g[0], g[1]) == (x0 - 120, y0 - 70))
        self.assertEqual(moved[:2], (x0 - 120, y0 - 70))
        wait_until(lambda: self.session.geometry(login)[:2] == moved[:2], timeout=5)
        self.assertEqual(self.session.geometry(login)[:2], moved[:2])
        # The login window leads once the pointer was over it: move it as the
        # window manager would, and the background follows.
        self.session.move_pointer(moved[0] + 800, moved[1] + 400)
        time.sleep(0.3)
        self.session.move_window(login, moved[0] + 60, moved[1] + 40)
        wait_until(lambda: self.session.geometry(self.window)[:2] == (moved[0] + 60, moved[1] + 40),
                   timeout=5)
        self.assertEqual(self.session.geometry(self.window)[:2], (moved[0] + 60, moved[1] + 40))
        self.assertEqual(self.session.geometry(login)[:2], (moved[0] + 60, moved[1] + 40))

    def test_only_a_clicked_link_opens_the_players_browser(self):
        # A stand-in for the player's web browser that notes each address.
        opened = os.path.join(self.program.folder, "opened")
        browser = os.path.join(self.program.folder, "browser")
        with open(browser, "w") as script:
            script.write("#!/bin/sh\necho \"$1\" >> '%s'\n" % opened)
        os.chmod(browser, 0o755)
        applications = os.path.join(self.program.folder, "data", "applications")
        os.makedirs(applications)
        with open(os.path.join(applications, "test-browser.desktop"), "w") as entry:
            entry.write("[Desktop Entry]\nType=Application\nName=Browser\nExec=%s %%u\n"
                        "MimeType=x-scheme-handler/http;\n" % browser)
        os.makedirs(os.path.join(self.program.folder, "config"))
        with open(os.path.join(self.program.folder, "config", "mimeapps.list"), "w") as defaults:
            defaults.write("[Default Applications]\nx-scheme-handler/http=test-browser.desktop\n")
        popup = self.portal.origin() + "/popup"
        self.start(page(
            "<a id='go' href='%s?clicked' target='_blank' style='display:block;"
            "width:631px;height:200px;background:#e80'>news</a>"
            "<script>for (var i = 0; i < 5; ++i) window.open('%s?by-itself-' + i);"
            "setTimeout(function () { window.open('%s?later'); }, 500);</script>" % (popup, popup, popup)),
            env={"XDG_CONFIG_HOME": os.path.join(self.program.folder, "config")})
        wait_until(lambda: self.portal.got(LOGIN_PATH), timeout=10)
        time.sleep(1.5)
        self.assertFalse(os.path.exists(opened), "a page opened the browser by itself")
        self.click_page(300, 100)
        self.assertTrue(wait_until(lambda: os.path.exists(opened), timeout=10))
        time.sleep(0.5)
        with open(opened) as record:
            self.assertEqual(record.read().split(), [popup + "?clicked"])
        self.assert_keeps_running(0.5)


def can_mount_privately():
    return subprocess.run(["unshare", "--mount", "true"], capture_output=True).returncode == 0


@unittest.skipUnless(can_mount_privately(), "no mount namespace here to make the program's folder read-only")
class ReadOnlyInstall(LauncherTestCase):
    """The program where the player cannot write, as a package installs it."""
    read_only = True
    LOGS_IN = page("<script>setTimeout(function () { window.external.AppLogin(%r); }, 300);</script>" % PAYLOAD)

    def assert_works_in_the_players_game_folder(self):
        self.assertEqual(os.stat(self.program.player_game_dir).st_mode & 0o777, 0o700)
        log = os.path.join(self.program.player_game_dir, "log.txt")
        self.assertEqual(self.program.log(), PAYLOAD_LOG.encode())
        self.assertEqual(os.stat(log).st_mode & 0o777, 0o600)
        self.assertEqual(os.listdir(self.program.work_dir), [], "log.txt went where the program was started")

    def test_login_fetches_the_launcher_into_the_players_game_folder_and_starts_it_there(self):
        self.start(self.LOGS_IN)
        self.assertEqual(self.started_with(), [PAYLOAD_ARGS])
        self.assert_exits_with(16)
        self.assertEqual(os.listdir(self.program.program_dir), ["login-launcher"],
                         "something was written beside the program")
        self.assertEqual(len(self.portal.got(LAUNCHER_PATH)), 1)
        self.assert_works_in_the_players_game_folder()

    def test_launcher_shipped_beside_the_program_is_started_from_there(self):
        shutil.copy2(FAKE_LAUNCHER, os.path.join(self.program.program_dir, "vuntek_qx_launch.exe"))
        self.program.launcher_dir = self.program.program_dir
        self.start(self.LOGS_IN)
        self.assertEqual(self.started_with(), [PAYLOAD_ARGS])
        self.assert_exits_with(16)
        self.assertEqual(self.portal.got(LAUNCHER_PATH), [], "a launcher beside the program was fetched again")
        self.assert_works_in_the_players_game_folder()


if __name__ == "__main__":
    unittest.main()
