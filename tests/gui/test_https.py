"""The program built for a portal and a content server at https origins,
run under tests/with-test-ca.sh, where the system trusts one test authority
only. With a certificate from that authority the player logs in and the game
launcher comes over TLS; with any other certificate the player sees the
program's own page saying the connection is not secure, and nothing of the
portal is loaded until its certificate is put right. Nothing takes the page
from https to plain http, except a callback address."""

import os
import time
import unittest

from pictures import BROWSER
from portal import LAUNCHER_PATH, Portal
from program import (FAKE_LAUNCHER, GREEN_FILL, HTTPS_PORT, LAUNCHER_HTTPS, LOGIN_PATH, ONLINE_PORT, PAYLOAD,
                     PAYLOAD_ARGS, LauncherTestCase, page)
from xsession import wait_until

TLS = os.environ.get("LAUNCHER_TEST_TLS")

# The whole browser is one button that logs in; the page reports each load.
LOGIN_PAGE = page(
    "<a id='go' href='#' style='display:block;height:446px;background:#e80;color:#000;"
    "font:40px sans-serif'>secure login</a>"
    "<script>document.getElementById('go').onclick = function () {"
    " window.external.AppLogin(%r); return false; };"
    "addEventListener('load', function () { new Image().src = '/beacon?loaded'; });</script>"
    % PAYLOAD)


def certificate(name):
    """The files of one of the wrapper's certificates (see with-test-ca.sh)."""
    return os.path.join(TLS, name + ".crt"), os.path.join(TLS, name + ".key")


class Https(LauncherTestCase):
    suite = "https"
    build = LAUNCHER_HTTPS

    @classmethod
    def setUpClass(cls):
        if not TLS:
            raise unittest.SkipTest(os.environ.get("LAUNCHER_TEST_TLS_SKIP",
                                                   "needs tests/with-test-ca.sh to trust its certificates"))
        super().setUpClass()

    def make_portal(self):
        return Portal(HTTPS_PORT, FAKE_LAUNCHER, certificate("trusted"))

    def browser_pixels(self):
        x0, y0 = self.session.geometry(self.window)[:2]
        shot = self.session.screenshot()
        return [shot.pixel(x0 + BROWSER[0] + x, y0 + BROWSER[1] + y)
                for y in range(0, BROWSER[3], 2) for x in range(0, BROWSER[2], 2)]

    def assert_not_secure_page(self, name):
        self.assertTrue(wait_until(lambda: "is not secure" in self.program.errors(), timeout=30),
                        "the certificate was not refused; %s" % self.program.errors()[-800:])
        self.assertTrue(wait_until(self.own_page_shown, timeout=10), "the program's own page did not show")
        self.assertTrue(self.portal.refused_handshakes, "the program never reached the portal")
        self.assertEqual(self.portal.requests, [], "a request went over a connection not known to be safe")
        time.sleep(0.5)
        self.keep_screenshot("not-secure-" + name)

    # -- a certificate the system vouches for -----------------------------------
    def test_login_page_and_launcher_come_over_https(self):
        self.start(LOGIN_PAGE)
        self.assertTrue(wait_until(lambda: self.loads() >= 1, timeout=30),
                        "the login page did not load; %s" % self.program.errors()[-800:])
        time.sleep(1.0)
        self.assertFalse(self.own_page_shown())
        self.keep_screenshot("login-page")
        self.click_page(300, 200)
        self.assertEqual(self.started_with(), [PAYLOAD_ARGS])
        self.assert_exits_with(16)
        self.assertEqual(len(self.portal.got(LAUNCHER_PATH)), 1, "fetched once, since it was missing")

    def test_frame_of_another_of_the_portals_origins_logs_in_over_https(self):
        frame = "https://localhost:%d/frame.html" % HTTPS_PORT
        self.portal.pages["/frame.html"] = page(
            "<script>setTimeout(function () { window.external.AppLogin(%r); }, 300);</script>" % PAYLOAD)
        self.start(page("<iframe src='%s' width=300 height=200></iframe>" % frame))
        self.assertEqual(self.started_with(), [PAYLOAD_ARGS])
        self.assert_exits_with(16)

    # -- certificates it does not ------------------------------------------------
    def test_certificate_from_an_untrusted_authority_shows_the_not_secure_page(self):
        self.portal.use_certificate(*certificate("untrusted"))
        self.start(LOGIN_PAGE)
        self.assert_not_secure_page("untrusted")
        self.assertIn("authority not trusted", self.program.errors())
        # Tries again by itself, the first time after a few seconds, each
        # time stopping at the certificate.
        tries = len(self.portal.refused_handshakes)
        self.assertTrue(wait_until(lambda: len(self.portal.refused_handshakes) > tries, timeout=15))
        self.assert_keeps_running(0.5)
        self.assertTrue(self.own_page_shown())
        self.assertEqual(self.portal.requests, [])

    def test_certificate_for_another_host_shows_the_not_secure_page(self):
        self.portal.use_certificate(*certificate("wrong-host"))
        self.start(LOGIN_PAGE)
        self.assert_not_secure_page("wrong-host")
        self.assertIn("another host", self.program.errors())
        self.assert_keeps_running(0.5)

    def test_certificate_out_of_date_shows_the_not_secure_page(self):
        self.portal.use_certificate(*certificate("expired"))
        self.start(LOGIN_PAGE)
        self.assert_not_secure_page("expired")
        self.assertIn("expired", self.program.errors())
        self.assert_keeps_running(0.5)

    def test_not_secure_page_is_its_own_and_goes_once_the_certificate_is_right(self):
        # First the portal out of reach: the page that says so.
        self.portal.dropping = True
        self.start(LOGIN_PAGE)
        self.assertTrue(wait_until(self.own_page_shown, timeout=30), "the program's own page did not show")
        time.sleep(0.5)
        unreachable = self.browser_pixels()
        # Then back, with a certificate for another host: another text.
        self.portal.dropping = False
        self.portal.use_certificate(*certificate("wrong-host"))
        self.reload_page()

        def says_something_else():
            if not self.portal.refused_handshakes or not self.own_page_shown():
                return False
            now = self.browser_pixels()
            return sum(1 for a, b in zip(now, unreachable) if max(map(abs, (a[0] - b[0], a[1] - b[1], a[2] - b[2]))) > 48) > 200
        self.assertTrue(wait_until(says_something_else, timeout=20),
                        "the not secure page looks like the unreachable one")
        self.assertEqual(self.portal.requests, [])
        # The publisher puts the certificate right: the login page is back.
        self.portal.use_certificate(*certificate("trusted"))
        self.reload_page()
        self.assertTrue(wait_until(lambda: self.loads() >= 1, timeout=20),
                        "the login page did not come back; %s" % self.program.errors()[-800:])
        self.assertTrue(wait_until(lambda: not self.own_page_shown(), timeout=5))
        self.assert_keeps_running(0.5)

    # -- leaving https -------------------------------------------------------------
    def plain_portal(self):
        """A plain http server where the https portal may point the page."""
        plain = Portal(ONLINE_PORT, FAKE_LAUNCHER).__enter__()
        self.addCleanup(plain.__exit__, None, None, None)
        return plain

    def test_login_page_redirected_to_plain_http_shows_the_not_secure_page(self):
        plain = self.plain_portal()
        self.portal.responses[LOGIN_PATH] = (302, {"Location": plain.origin() + "/account"}, b"")
        self.start(LOGIN_PAGE)
        self.assertTrue(wait_until(lambda: "refused to leave https" in self.program.errors(), timeout=30),
                        "the redirect was not refused; %s" % self.program.errors()[-800:])
        self.assertTrue(wait_until(self.own_page_shown, timeout=10), "the program's own page did not show")
        time.sleep(0.5)
        self.keep_screenshot("leaves-https")
        self.assertEqual(plain.requests, [])
        self.assert_keeps_running(0.5)

    def test_page_cannot_go_to_plain_http_but_a_callback_address_hands_off(self):
        plain = self.plain_portal()
        callback = plain.origin() + "/plumoqx/codeCallback.htm?code=C0DE"
        self.start(page("<script>setTimeout(function () { location = %r; }, 300);"
                        "setTimeout(function () { new Image().src = '/beacon?stayed'; }, 1300);"
                        "setTimeout(function () { location = %r; }, 1800);"
                        "</script>" % (plain.origin() + "/account", callback)))
        self.assertEqual(self.started_with(), [callback])
        self.assert_exits_with(16)
        self.assertIn("stayed", self.portal.beacons)
        self.assertEqual(plain.requests, ["/plumoqx/codeCallback.htm?code=C0DE"])

    def test_partner_popup_on_plain_http_is_refused_whatever_its_address_holds(self):
        plain = self.plain_portal()
        self.start(page(GREEN_FILL + "<script>addEventListener('click', function () {"
                        " var w = window.open(%r, 'oauth', 'width=500,height=600');"
                        " new Image().src = '/beacon?opened=' + (w !== null); });"
                        "addEventListener('load', function () { new Image().src = '/beacon?shown'; });"
                        "</script>" % (plain.origin() + "/partner?/plumoqx/codeCallback.htm?a=1")))
        self.assertTrue(wait_until(lambda: "shown" in self.portal.beacons, timeout=30))
        time.sleep(0.5)
        self.click_page(100, 100)
        self.assertTrue(wait_until(lambda: "opened=false" in self.portal.beacons, timeout=10),
                        self.portal.beacons)
        self.assertIn("refused a new window for %s/partner" % plain.origin(), self.program.errors())
        self.assertEqual(plain.requests, [])
        self.assert_keeps_running(0.5)

if __name__ == "__main__":
    unittest.main()
