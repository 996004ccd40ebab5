"""The login page outlives what the player cannot fix from the launcher: its
process dying (once, and again and again) and the portal being out of reach
or out of service when the program starts. The page comes back by itself,
the program's own page says what is wrong meanwhile, and nothing is handed
off that the player did not log in for."""

import time
import unittest

from pictures import BROWSER
from program import LOGIN_PATH, LauncherTestCase, page
from xsession import wait_until

# Sends a beacon each time the page loads.
LOGIN_PAGE = page("<div style='position:absolute;inset:0;background:#e80'></div>"
                  "<script>addEventListener('load', function () { new Image().src = '/beacon?loaded'; });"
                  "</script>")


class Recovery(LauncherTestCase):
    suite = "recovery"

    def wait_loads(self, count, timeout=30):
        self.assertTrue(wait_until(lambda: self.loads() >= count, timeout=timeout),
                        "the login page loaded %d times, not %d; %s"
                        % (self.loads(), count, self.program.errors()[-800:]))

    def kill_page_process(self):
        self.assertTrue(self.program.kill_page_processes(), "no page process")

    def click_retry(self):
        self.click_page(BROWSER[2] // 2, 253)

    def test_page_whose_process_dies_comes_back_by_itself(self):
        self.start(LOGIN_PAGE)
        self.wait_loads(1)
        self.kill_page_process()
        self.wait_loads(2)
        self.assert_keeps_running(0.5)

    def test_page_that_keeps_dying_leaves_the_choice_to_the_player(self):
        self.start(LOGIN_PAGE)
        self.wait_loads(1)
        for expected in (2, 3):
            time.sleep(0.5)
            self.kill_page_process()
            self.wait_loads(expected)
        # The third end within a minute: no more reloads by themselves.
        time.sleep(0.5)
        self.kill_page_process()
        self.assertTrue(wait_until(self.own_page_shown, timeout=10), "the program's own page did not show")
        self.keep_screenshot("page-keeps-failing")
        time.sleep(2.0)
        self.assertEqual(self.loads(), 3)
        self.click_retry()
        self.wait_loads(4)
        self.assert_keeps_running(0.5)

    def test_portal_that_drops_connections_at_start_is_waited_for(self):
        self.portal.dropping = True
        self.start(LOGIN_PAGE)
        self.assertTrue(wait_until(self.own_page_shown, timeout=20), "the program's own page did not show")
        self.keep_screenshot("portal-unreachable")
        self.assertEqual(self.loads(), 0)
        self.portal.dropping = False
        # It tries again by itself, the first time after a few seconds.
        self.wait_loads(1, timeout=20)
        self.assertTrue(wait_until(lambda: not self.own_page_shown(), timeout=5))
        self.assert_keeps_running(0.5)

    def test_server_error_shows_the_programs_page_and_f5_tries_at_once(self):
        self.portal.responses[LOGIN_PATH] = (503, {"Content-Type": "text/html"}, b"<h1>Service Unavailable</h1>")
        self.start(LOGIN_PAGE)
        self.assertTrue(wait_until(self.own_page_shown, timeout=20), "the program's own page did not show")
        # Past the program's first try of its own, the next is six seconds off.
        self.assertTrue(wait_until(lambda: len(self.portal.got(LOGIN_PATH)) >= 2, timeout=10))
        time.sleep(0.5)
        del self.portal.responses[LOGIN_PATH]
        self.reload_page()
        # Sooner than the program's own first try.
        self.wait_loads(1, timeout=2.5)
        self.assert_keeps_running(0.5)


if __name__ == "__main__":
    unittest.main()
