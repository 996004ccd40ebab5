"""Signing in the ways real portals do.

Partners' sign-ins in pop-ups of the program's own: a click on the login
page opens the partner's page on a second origin in a window over the
launcher, at the size the page asked for, titled with the partner's page;
the two pages greet each other through window.opener and postMessage; a
click signs in, the pop-up closes itself and the login hands off. The player
may close a pop-up and go on. Pop-ups have no window.external, a page
opens none by itself, a click opens one at most, none outlives the hand-off
or the program, and whatever they make of their opener, nothing but the
portal's pages hands a login off.

A file or a link another program drops on the page leaves the login page
where it is; text dropped into a field arrives, and a drop zone of the
page's own gets its drop. The page's trouble (script errors, parts that do
not load) shows on the program's diagnostic output, one line each, without
the addresses' queries."""

import os
import signal
import subprocess
import time
import unittest

from pictures import CLOSE, MAIN_SIZE, close_to, face_middle
from portal import LAUNCHER_PATH
from program import (GREEN_FILL, LOGIN_PATH, PAGE_RGB, PARTNER_RGB, PARTNER_SIZE, PARTNER_TITLE, PAYLOAD, PAYLOAD_ARGS,
                     LauncherTestCase, beacon, find_colour, page, serve_partner_sign_in)
from xsession import BUILD, CONFIRMATION_TITLE, wait_until

DRAG_SOURCE = os.path.join(BUILD, "tests", "drag-source")
# Where the drag source's window stands: the screen's top left corner.
DRAG_FROM = (60, 40)


class PartnerPopup(LauncherTestCase):
    suite = "signin"

    def open_partner(self, hands_off_at_once=False, partner_click=None):
        """Starts the program on the partner sign-in page, clicks it, and
        answers the pop-up's window once its page shows. `hands_off_at_once`:
        the login page hands off as soon as the partner greets it, the
        pop-up still open; `partner_click`: see serve_partner_sign_in."""
        serve_partner_sign_in(self.portal, partner_click)
        if hands_off_at_once:
            self.portal.pages[LOGIN_PATH] = self.portal.pages[LOGIN_PATH].replace(
                "e.source.postMessage('welcome', e.origin);",
                "{ e.source.postMessage('welcome', e.origin);"
                " setTimeout(function () { window.external.AppLogin(%r); }, 500); }" % PAYLOAD)
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
        # Through the portal's redirect to the partner's origin.
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
        self.open_partner(hands_off_at_once=True)
        self.assertTrue(wait_until(lambda: self.portal.got(LAUNCHER_PATH), timeout=20))
        self.assertFalse(self.session.windows_named("^%s$" % PARTNER_TITLE), "a pop-up stayed over the download")
        self.assertEqual(self.started_with(timeout=30), [PAYLOAD_ARGS])

    def test_no_popup_can_hand_a_login_off_through_its_opener(self):
        # Pages of the partner's host, not the portal's, that would log in.
        for path in ["/elsewhere", "/plumoqx/codeCallback.htm?code=X"]:
            with self.subTest(path):
                self.program = self.new_run()
                self.portal.pages[path.split("?")[0]] = page("<script>" + beacon("'external ' + typeof window.external") +
                                                             "try { window.external.AppLogin(%r); } catch (e) {}</script>"
                                                             % PAYLOAD)
                target = self.portal.origin("localhost") + path
                x, y = self.session.geometry(self.open_partner(partner_click="window.opener.location = %r;" % target))[:2]
                self.portal.beacons.clear()
                self.session.click(x + 100, y + 100)
                self.assertTrue(wait_until(lambda: "external undefined" in self.portal.beacons, timeout=10),
                                self.portal.beacons)
                self.assert_keeps_running(1.5)

    def test_popups_go_cleanly_when_the_program_ends_or_the_pages_crash(self):
        # Any GTK critical aborts the program (G_DEBUG=fatal-criticals).
        for end, code in [(lambda: self.launcher.send_signal(signal.SIGTERM), 143), (self.confirm_close, 16),
                          (lambda: self.program.kill_page_processes(), None)]:
            with self.subTest(code):
                self.program = self.new_run()
                self.open_partner()
                end()
                if code is None:  # the login page starts over, without its pop-up
                    self.assertTrue(wait_until(lambda: not self.session.windows_named("^%s$" % PARTNER_TITLE), 10))
                    self.assert_keeps_running(2.0)
                else:
                    self.assert_exits_with(code, timeout=30)

    def confirm_close(self):
        (mx, my), (x, y) = self.main_window_origin(), face_middle(CLOSE)
        self.session.click(mx + x, my + y)
        self.session.key(self.session.find_window(CONFIRMATION_TITLE, timeout=5), "Return")

    def test_one_click_opens_one_popup_and_refusals_do_not_flood(self):
        serve_partner_sign_in(self.portal)
        self.start(page(GREEN_FILL + "<script>addEventListener('click', function () {"
                        " for (var i = 0; i < 30; ++i) window.open('/partner/page', 'w' + i, 'width=500,height=600'); });"
                        "setInterval(function () { for (var i = 0; i < 20; ++i) window.open('/partner/page?x'); }, 20);"
                        "addEventListener('load', function () { new Image().src = '/beacon?shown'; });</script>"))
        self.assertTrue(wait_until(lambda: "shown" in self.portal.beacons, timeout=30))
        self.click_page(100, 100)
        self.session.find_window(PARTNER_TITLE)
        time.sleep(3.0)
        self.assertEqual(len(self.session.windows_named("^%s$" % PARTNER_TITLE)), 1)
        self.assertLessEqual(self.program.errors().count("refused a new window"), 50)

    def test_partner_sign_in_in_a_frame_keeps_its_session(self):
        # The partner's frame, on another origin, keeps a cookie: once it
        # has one, its next page sees it.
        self.portal.pages["/partner/frame"] = page(
            "<script>if (document.cookie.indexOf('partner=signed-in') >= 0) {"
            " new Image().src = '/beacon?frame kept its session'; } else {"
            " document.cookie = 'partner=signed-in; max-age=600'; location.reload(); }</script>")
        self.start(page("<iframe src='%s/partner/frame'></iframe>" % self.portal.origin("localhost")))
        self.assertTrue(wait_until(lambda: "frame kept its session" in self.portal.beacons, timeout=30),
                        "the partner's frame lost its cookie: %s" % self.portal.requests)

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



class Drops(LauncherTestCase):
    suite = "signin"
    # A field at the page's top, a drop zone of the page's own below it, and
    # the green rest, in the browser's pixels.
    PAGE = page(
        "<input id='field' style='position:absolute;left:20px;top:20px;width:300px;height:40px'>"
        "<div id='zone' style='position:absolute;left:20px;top:300px;width:300px;height:100px;"
        "background:#28c'></div>"
        "<div style='position:absolute;left:0;top:100px;width:631px;height:180px;background:#22aa66'></div>"
        "<script>var zone = document.getElementById('zone');"
        "zone.addEventListener('dragover', function (e) { e.preventDefault(); });"
        "zone.addEventListener('drop', function (e) { e.preventDefault();"
        " new Image().src = '/beacon?zone got ' + encodeURIComponent(e.dataTransfer.getData('text/plain')); });"
        "document.getElementById('field').addEventListener('input', function (e) {"
        " new Image().src = '/beacon?field ' + encodeURIComponent(e.target.value); });"
        "addEventListener('load', function () { new Image().src = '/beacon?shown'; });</script>")

    def drop(self, kind, data, at):
        source = self.session.spawn([DRAG_SOURCE, kind, data], stdout=subprocess.PIPE, text=True)
        self.assertEqual(source.stdout.readline().strip(), "mapped")
        time.sleep(0.3)
        self.session.drag(DRAG_FROM, self.page_point(*at), steps=20)
        # The dropped data is asked for after the drop.
        time.sleep(1.0)
        source.kill()

    def test_nothing_dropped_takes_the_login_page_away(self):
        dropped = os.path.join(self.program.folder, "dropped.html")
        with open(dropped, "w") as page_file:
            page_file.write("<title>dropped</title><body style='background:#f00'>")
        self.start(self.PAGE)
        self.assertTrue(wait_until(lambda: "shown" in self.portal.beacons, timeout=30))
        time.sleep(0.5)
        cases = [
            ("file", "uri", "file://" + dropped, (300, 150)),
            ("file into the field", "uri", "file://" + dropped, (100, 40)),
            ("link", "uri", self.portal.origin("localhost") + "/elsewhere", (300, 200)),
            ("text outside a field", "text", "some words", (300, 220)),
        ]
        for name, kind, data, at in cases:
            with self.subTest(name):
                self.drop(kind, data, at)
                time.sleep(1.0)
                self.assertEqual(self.portal.got("/url/weiduan.php"), ["/url/weiduan.php?gn=halvoryne"],
                                 "the page was left or loaded again")
                self.assertEqual(self.portal.got("/elsewhere"), [])
                shot = self.session.screenshot()
                self.assertTrue(close_to(shot.pixel(*self.page_point(300, 150)), PAGE_RGB, 8),
                                "the login page is not on the screen")
        with self.subTest("text into the field"):
            self.drop("text", "player-1", (100, 40))
            self.assertTrue(wait_until(lambda: any(b.startswith("field") and "player-1" in b
                                                   for b in self.portal.beacons), timeout=10),
                            self.portal.beacons)
        with self.subTest("the page's own drop zone"):
            self.drop("text", "for the zone", (150, 350))
            self.assertTrue(wait_until(lambda: "zone got for the zone" in self.portal.beacons, timeout=10),
                            self.portal.beacons)
        self.keep_screenshot("after-drops")


class PageTrouble(LauncherTestCase):
    suite = "signin"

    def test_the_pages_trouble_shows_in_the_diagnostics_without_queries(self):
        self.start(page(
            "<img src='/missing.png?session=s3cr3t'>"
            "<script src='/thrower.js?token=t0k3n'></script>"
            "<script>Promise.reject(new Error('nobody caught this'));"
            "for (var i = 0; i < 80; ++i) setTimeout(function () { null.boom; }, 10 * i);"
            "addEventListener('load', function () { new Image().src = '/beacon?shown'; });</script>"))
        self.portal.pages["/thrower.js"] = "throw new Error('the portal script broke');"
        self.assertTrue(wait_until(lambda: "shown" in self.portal.beacons, timeout=30))
        time.sleep(2.0)
        errors = self.program.errors()
        origin = self.portal.origin()
        for expected in ["a part of the page (img) did not load: %s/missing.png" % origin,
                         "the page's script failed at %s/thrower.js:1: Error: the portal script broke" % origin,
                         "the page's script left a failure unhandled",
                         "nobody caught this",
                         "the page reports more trouble; no more of it is shown"]:
            self.assertIn(expected, errors)
        for secret in ["s3cr3t", "t0k3n"]:
            self.assertNotIn(secret, errors)
        self.assertLessEqual(errors.count("null.boom"), 50, "a page failing in a loop floods the diagnostics")


if __name__ == "__main__":
    unittest.main()
