"""Partners' sign-ins in pop-ups of the program's own: a click on the login
page opens the partner's page on a second origin in a window over the
launcher, at the size the page asked for, titled with the partner's page;
the two pages greet each other through window.opener and postMessage; a
click signs in, the pop-up closes itself and the login hands off. The player
may close a pop-up and go on. Pop-ups have no window.external, a page
opens none by itself, and none outlives the hand-off."""

import os
import time
import unittest

from pictures import MAIN_SIZE
from portal import LAUNCHER_PATH
from program import (PAGE_RGB, PARTNER_RGB, PARTNER_SIZE, PARTNER_TITLE, PAYLOAD_ARGS, LauncherTestCase,
                     find_colour, page, serve_partner_sign_in)
from xsession import wait_until


class PartnerPopup(LauncherTestCase):
    suite = "popup"

    def open_partner(self, logs_in=True):
        """Starts the program on the partner sign-in page, clicks it, and
        answers the pop-up's window once its page shows."""
        serve_partner_sign_in(self.portal, logs_in)
        self.start()
        self.assertTrue(wait_until(lambda: "shown" in self.portal.beacons, timeout=30), self.program.errors())
        time.sleep(0.5)
        self.click_page(100, 100)
        self.assertTrue(wait_until(lambda: "partner got welcome" in self.portal.beacons, timeout=20),
                        "beacons %s, errors %s" % (self.portal.beacons, self.program.errors()))
        return self.session.find_window(PARTNER_TITLE)

    def test_partner_signs_in_through_the_opener_and_the_login_hands_off(self):
        self.portal.launcher_seconds = 2.0
        popup = self.open_partner()
        self.assertIn("opened=true", self.portal.beacons)
        self.assertIn("partner: AppLogin undefined opener true", self.portal.beacons)
        # Through the redirect inside the partner's origin.
        self.assertEqual(len(self.portal.got("/partner/start")), 1)
        x, y, width, height = self.session.geometry(popup)
        self.assertEqual((width, height), PARTNER_SIZE)
        mx, my = self.main_window_origin()
        self.assertLessEqual(abs(x + width // 2 - (mx + MAIN_SIZE[0] // 2)), 2, "not centred over the launcher")
        self.assertLessEqual(abs(y + height // 2 - (my + MAIN_SIZE[1] // 2)), 40, "not centred over the launcher")
        def whole_on_top():
            shot = self.session.screenshot()
            found = find_colour(shot, PARTNER_RGB, shot.width, len(shot.raw) // (3 * shot.width))
            return found is not None and found[2:] == PARTNER_SIZE
        self.assertTrue(wait_until(whole_on_top, timeout=10), "the pop-up is not on top, whole")
        self.keep_screenshot("partner-popup")
        self.session.click(x + 100, y + 100)
        self.assertEqual(self.started_with(timeout=30), [PAYLOAD_ARGS])
        self.assertIn("signed in", self.portal.beacons)
        self.assertFalse(self.session.windows_named("^%s$" % PARTNER_TITLE))
        self.assert_exits_with(16)

    def test_player_may_close_the_popup_and_go_on(self):
        self.open_partner()
        self.session.close_window(PARTNER_TITLE)
        self.assertTrue(wait_until(lambda: "partner closed" in self.portal.beacons, timeout=10))
        self.assert_keeps_running(1.0)
        self.assertFalse(self.session.windows_named("^%s$" % PARTNER_TITLE))
        # A second go works as the first.
        self.click_page(100, 100)
        self.session.find_window(PARTNER_TITLE)

    def test_no_popup_outlives_the_hand_off(self):
        self.portal.launcher_seconds = 3.0
        self.open_partner()
        # The portal hands off on the partner's greeting, the pop-up still open.
        self.portal.pages["/url/weiduan.php"] = self.portal.pages["/url/weiduan.php"].replace(
            "e.source.postMessage('welcome', e.origin);",
            "{ e.source.postMessage('welcome', e.origin); setTimeout(function () {"
            " window.external.AppLogin('{\"uid\":\"u1\",\"token\":\"t\",\"server_id\":\"s\",\"other\":\"o\","
            "\"sign\":\"x\"}'); }, 500); }")
        self.reload_page()
        self.assertTrue(wait_until(lambda: self.portal.got(LAUNCHER_PATH), timeout=20))
        self.assertFalse(self.session.windows_named("^%s$" % PARTNER_TITLE), "a pop-up stayed over the download")
        self.assertEqual(self.started_with(timeout=30), [PAYLOAD_ARGS])

    def test_pages_open_no_popup_by_themselves(self):
        self.start(page(
            "<script>addEventListener('load', function () {"
            " var w = window.open('/partner/page', 'oauth', 'width=500,height=600');"
            " new Image().src = '/beacon?by-itself=' + (w !== null); });</script>"))
        self.assertTrue(wait_until(lambda: "by-itself=false" in self.portal.beacons, timeout=30))
        self.assertIn("refused a new window for http://127.0.0.1:%d/partner/page" % self.portal.port,
                      self.program.errors())
        self.assertFalse(self.session.windows_named("^%s$" % PARTNER_TITLE))
        self.assertEqual(self.portal.got("/partner/page"), [])


if __name__ == "__main__":
    unittest.main()
