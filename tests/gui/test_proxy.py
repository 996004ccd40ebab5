"""The login page and the game launcher's download take the same way out:
through the proxy that the environment's variables, the desktop's settings
or a PAC file name, or direct where those say so. The portal answers at a
host name that only the tests' proxy resolves, so that nothing reaches it
unseen. A proxy that refuses the download, or wants a password for it, is
named to the player, and nothing of the download is left."""

import os
import subprocess
import unittest

from portal import LAUNCHER_PATH, Portal
from program import (CLICK_TO_LOG_IN, FAKE_LAUNCHER, LAUNCHER_PROXY, LAUNCHER_PROXY_LOOPBACK, LOGIN_PATH,
                     PAYLOAD_ARGS, PROXIED_HOST, PROXY_PORT, LauncherTestCase)
from proxy import LoggingProxy
from xsession import end_process_groups, wait_until

# What the case's own settings replace: whatever the machine running the
# tests has set.
PROXY_SETTINGS = ("http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY",
                  "no_proxy", "NO_PROXY", "GSETTINGS_BACKEND", "XDG_CURRENT_DESKTOP", "XDG_CONFIG_HOME")
PAC_PATH = "/proxy.pac"
PAC = "function FindProxyForURL(url, host) { return host == %r ? 'PROXY 127.0.0.1:%%d' : 'DIRECT'; }" % PROXIED_HOST
# A proxy that takes no connection (the discard port) comes first: the next
# one must be tried.
PAC_DEAD_FIRST = PAC.replace("'PROXY ", "'PROXY 127.0.0.1:9; PROXY ")
DOWNLOAD_FAILED_TITLE = "【下载失败】"
# The password the settings hold for the proxy, which nobody may be shown.
CREDENTIALS = "player:s3cret"

THROUGH, DIRECT, SAME_WAY = "through the proxy", "direct", "the same way"


def variables(**values):
    """The environment's proxy variables, "{proxy}" standing for the proxy."""
    return lambda test: {name: value.format(proxy=test.proxy.url()) for name, value in values.items()}


def desktop_settings(mode, pac=PAC):
    """GNOME's proxy settings in a private store: a manual proxy, or ("auto")
    the PAC file `pac` that the portal serves, which GIO's PAC helper fetches
    and runs, started on the session bus as on a GNOME desktop."""
    def environment(test):
        config = os.path.join(test.program.folder, "config")
        os.makedirs(os.path.join(config, "glib-2.0", "settings"))
        if mode == "manual":
            keys = "[system/proxy]\nmode='manual'\n\n" + "".join(
                "[system/proxy/%s]\nhost='127.0.0.1'\nport=%d\n\n" % (scheme, test.proxy.port)
                for scheme in ("http", "https"))
        else:
            test.portal.responses[PAC_PATH] = (
                200, {"Content-Type": "application/x-ns-proxy-autoconfig"}, (pac % test.proxy.port).encode())
            keys = "[system/proxy]\nmode='auto'\nautoconfig-url='http://127.0.0.1:%d%s'\n" % (PROXY_PORT, PAC_PATH)
        with open(os.path.join(config, "glib-2.0", "settings", "keyfile"), "w") as keyfile:
            keyfile.write(keys)
        return {"GSETTINGS_BACKEND": "keyfile", "XDG_CONFIG_HOME": config, "XDG_CURRENT_DESKTOP": "GNOME",
                "DBUS_SESSION_BUS_ADDRESS": test.session_bus()}
    return environment


# Each case: the program's build, the settings it runs with, and which way
# the page and the download must both go.
CASES = [
    ("lower_case_variables", LAUNCHER_PROXY, variables(http_proxy="{proxy}", https_proxy="{proxy}"), THROUGH),
    ("upper_case_variables_only", LAUNCHER_PROXY, variables(HTTP_PROXY="{proxy}", HTTPS_PROXY="{proxy}"), THROUGH),
    # Whether all_proxy counts is GIO's to say (Debian 12's, through libproxy
    # 0.4, ignores it): on a loopback portal, which either way reaches.
    ("all_proxy", LAUNCHER_PROXY_LOOPBACK, variables(all_proxy="{proxy}"), SAME_WAY),
    ("desktop_settings", LAUNCHER_PROXY, desktop_settings("manual"), THROUGH),
    ("desktop_pac_file", LAUNCHER_PROXY, desktop_settings("auto"), THROUGH),
    ("desktop_pac_file_naming_a_dead_proxy_first", LAUNCHER_PROXY, desktop_settings("auto", PAC_DEAD_FIRST), THROUGH),
    ("no_proxy", LAUNCHER_PROXY_LOOPBACK, variables(http_proxy="{proxy}", no_proxy="127.0.0.1"), DIRECT),
]

# Each fault: how the proxy turns on the download, once the page has come
# through it, and what the diagnostics say of it.
FAULTS = [
    ("refuses_connections", LoggingProxy.refuse, "no connection to the proxy {proxy}"),
    ("wants_a_password", lambda proxy: setattr(proxy, "wants_password", True),
     "the proxy {proxy} asks for a password (HTTP 407)"),
]


class Proxy(LauncherTestCase):
    suite = "proxy"
    build = LAUNCHER_PROXY

    def make_portal(self):
        return Portal(PROXY_PORT, FAKE_LAUNCHER)

    def setUp(self):
        super().setUp()
        self.proxy = LoggingProxy({PROXIED_HOST: "127.0.0.1"}).__enter__()
        self.addCleanup(self.proxy.__exit__)

    def new_run(self):
        run = super().new_run()
        for name in PROXY_SETTINGS:
            run.env.pop(name, None)
        return run

    def session_bus(self):
        """The address of a session bus of the test's own."""
        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                               env=self.program.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                               text=True, start_new_session=True)
        self.addCleanup(end_process_groups, [bus])
        return bus.stdout.readline().strip()

    def show_login_page(self, build, environment):
        self.build = build
        self.program = self.new_run()
        self.start(CLICK_TO_LOG_IN, environment(self))
        self.assertTrue(wait_until(lambda: "shown" in self.portal.beacons, timeout=30),
                        "the page never showed; %s" % self.program.errors()[-800:])

    def walk(self, build, environment, way):
        self.show_login_page(build, environment)
        self.click_page(300, 200)
        self.assertEqual(self.started_with(timeout=30), [PAYLOAD_ARGS])
        self.assert_exits_with(16)
        page, download = bool(self.proxy.asked_for(LOGIN_PATH)), bool(self.proxy.asked_for(LAUNCHER_PATH))
        if way == THROUGH:
            self.assertEqual((page, download), (True, True), self.proxy.requests)
        elif way == DIRECT:
            self.assertEqual(self.proxy.requests, [])
        else:
            self.assertEqual(page, download, "the page went %s the proxy, the download %s it"
                             % (("through", "past") if page else ("past", "through")))

    def turn_on_the_download(self, fault, diagnostic):
        self.show_login_page(LAUNCHER_PROXY, variables(http_proxy=self.proxy.url(CREDENTIALS)))
        fault(self.proxy)
        self.click_page(300, 200)
        # A refused connection is tried again, after 1, 3 and 9 s.
        self.session.find_window(DOWNLOAD_FAILED_TITLE, timeout=40, process=self.program.process)
        self.keep_screenshot("told")
        errors = self.program.errors()
        self.assertIn(diagnostic.format(proxy=self.proxy.address), errors)
        self.assertNotIn("s3cret", errors)
        self.assertEqual(os.listdir(self.program.program_dir), ["login-launcher"],
                         "the failed download left something beside the program")
        self.assert_keeps_running(0.5)


for case_name, case_build, case_environment, case_way in CASES:
    setattr(Proxy, "test_page_and_download_go_the_same_way_with_" + case_name,
            lambda self, b=case_build, e=case_environment, w=case_way: self.walk(b, e, w))
for fault_name, fault_action, fault_diagnostic in FAULTS:
    setattr(Proxy, "test_player_is_told_of_a_proxy_that_" + fault_name,
            lambda self, f=fault_action, d=fault_diagnostic: self.turn_on_the_download(f, d))

if __name__ == "__main__":
    unittest.main()
