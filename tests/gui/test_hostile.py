"""Login pages that try to hurt the player or the program: attachments
downloaded from hidden frames, window.external.AppLogin fed huge, deeply
nested and malformed texts (once or ten thousand times), a 100 KB callback
address, 50,000 links, and the bridge's own addresses loaded without its
script. Whatever they do, the program neither crashes nor hangs, writes no
file a normal login would not write, starts the game launcher only for a real
login, and the page still logs in normally afterwards.

Each run gets a home, download, configuration, data and cache folder of its
own inside its temporary folder, so that anything the engine would save lands
where the test looks and nowhere else."""

import json
import os
import secrets
import time
import unittest
import urllib.parse

from program import PAYLOAD, PAYLOAD_ARGS, PAYLOAD_LOG, LauncherTestCase, page
from xsession import wait_until

# What one run of the program may write to log.txt: an entry is cut at
# 64 KiB, and a run stops logging after 8 MiB.
LOG_ENTRY_LIMIT = 64 * 1024
LOG_RUN_LIMIT = 8 * 1024 * 1024
# A cut entry carries a short mark; the last entry may overshoot the run's
# limit by at most one entry.
LOG_SLACK = 4096

# Slow machines under load: a page may take this long to get anywhere.
PATIENCE = 120

# Every page has these: report() sends a beacon; whenOpen() waits until the
# test opens a gate, by polling the portal, which answers 404 until then.
PAGE_SCRIPT = """<script>
function report(text) { new Image().src = '/beacon?' + encodeURIComponent(text); }
function whenOpen(gate, then) {
  var request = new XMLHttpRequest();
  request.open('GET', '/gate/' + gate);
  request.onloadend = function () {
    if (request.status === 200) { then(); } else { setTimeout(function () { whenOpen(gate, then); }, 100); }
  };
  request.send();
}
addEventListener('load', function () {
  report('loaded');
  whenOpen('login', function () { window.external.AppLogin(%s); report('login-returned'); });
});
</script>""" % json.dumps(PAYLOAD)


def bridge_call(uid):
    """A bridge address that calls AppLogin with a valid payload for `uid`,
    as the program's own bridge script would ask for it."""
    payload = json.dumps({"uid": uid, "token": "t", "server_id": "s", "other": "o", "sign": "x"})
    args = json.dumps([{"type": "string", "value": payload}])
    return "tharnvale-external://bridge/call?id=10001&args=" + urllib.parse.quote(args, safe="")


BRIDGE_GET = "tharnvale-external://bridge/get?name=AppLogin&first=1"


def proc_figure(pid, field):
    """A field of /proc/<pid>/status, in bytes for the kB ones."""
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            name, _, value = line.partition(":")
            if name == field:
                words = value.split()
                return int(words[0]) * (1024 if words[1:] == ["kB"] else 1)
    raise KeyError(field)


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as stat:
        text = stat.read()
    fields = text[text.rindex(")") + 2:].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


class HostileTestCase(LauncherTestCase):
    suite = "hostile"

    def new_run(self):
        run = super().new_run()
        # The engine saves downloads to the XDG download folder, which GLib
        # reads from user-dirs.dirs in the configuration folder, and else
        # to the home folder: all of them are the run's own.
        home = os.path.join(run.folder, "home")
        config = os.path.join(run.folder, "config")
        downloads = os.path.join(run.folder, "downloads")
        for folder in (home, config, downloads):
            os.makedirs(folder)
        with open(os.path.join(config, "user-dirs.dirs"), "w") as dirs:
            dirs.write('XDG_DOWNLOAD_DIR="%s"\n' % downloads)
        # Narrow text is UTF-8 whatever the machine's locale, so that the
        # launch arguments expected below are the same everywhere.
        run.env.update(HOME=home, XDG_CONFIG_HOME=config, XDG_DOWNLOAD_DIR=downloads,
                       LANG="C.UTF-8", LC_ALL="C.UTF-8")
        return run

    def state(self, run=None):
        """What the program has done so far, for failure messages."""
        run = run or self.program
        code = run.process.poll() if run.process else None
        said = ["is running" if code is None else "ended with exit code %d" % code]
        if run.has_started_launcher():
            with open(run.record, "rb") as record:
                said.append("started the launcher with %r" % record.read().split(b"\0")[2:-1])
        errors = run.errors().strip()
        if errors:
            said.append("said on stderr: " + errors[-1500:])
        return "the program " + "; ".join(said)

    def start(self, login_page, env=None):
        try:
            return super().start(login_page, env)
        except AssertionError as error:
            self.fail("%s; %s" % (error, self.state()))

    def beacons(self, prefix):
        with self.portal.lock:
            return [b[len(prefix):] for b in self.portal.beacons if b.startswith(prefix)]

    def await_beacon(self, prefix, timeout=PATIENCE):
        """Waits for a beacon starting with `prefix`, or for the program to
        end; answers the beacons seen (without the prefix)."""
        def seen():
            return self.beacons(prefix) or self.program.process.poll() is not None
        wait_until(seen, timeout, interval=0.1)
        return self.beacons(prefix)

    def wait_beacon(self, prefix, timeout=PATIENCE):
        """The first beacon starting with `prefix` (without it); fails if none
        comes in time, or the program ends first."""
        found = self.await_beacon(prefix, timeout)
        if not found:
            self.fail("the page sent no %r within %d s; %s" % (prefix, timeout, self.state()))
        return found[0]

    def open_gate(self, name):
        self.portal.responses["/gate/" + name] = (200, {"Content-Type": "text/plain"}, b"open")

    def assert_nothing_started(self, settle=2.0):
        time.sleep(settle)
        self.assertTrue(self.program.process.poll() is None and not self.program.has_started_launcher(),
                        self.state())

    def assert_logs_in_normally(self):
        """Opens the page's login gate: its AppLogin starts the launcher with
        the payload's arguments, and the program ends with 16; the game and
        work folders hold nothing a login would not leave."""
        self.open_gate("login")
        try:
            args = self.started_with(timeout=PATIENCE)
        except AssertionError as error:
            self.fail("%s; %s" % (error, self.state()))
        self.assertEqual(args, [PAYLOAD_ARGS])
        self.assert_exits_with(16, timeout=PATIENCE)
        self.assertEqual(sorted(os.listdir(self.program.program_dir)),
                         ["login-launcher", "vuntek_qx_launch.exe"])
        self.assertEqual(os.listdir(self.program.work_dir), ["log.txt"])

    def assert_log_bounded(self):
        log = self.program.log() or b""
        self.assertLessEqual(len(log), LOG_RUN_LIMIT + LOG_ENTRY_LIMIT + LOG_SLACK,
                             "log.txt holds %d bytes" % len(log))
        longest = max(len(line) for line in log.split(b"\n"))
        self.assertLessEqual(longest, LOG_ENTRY_LIMIT + 100,
                             "log.txt has a line of %d bytes" % longest)
        return log


class Downloads(HostileTestCase):
    def test_attachments_from_hidden_frames_and_links_are_not_saved(self):
        # Every name and body carries a token of this run, so that a saved
        # copy is found wherever it lands and whatever it is called.
        mark = "hostile-" + secrets.token_hex(6)

        def attachment(kind, name):
            return (200, {"Content-Type": kind,
                          "Content-Disposition": 'attachment; filename="%s-%s"' % (mark, name)},
                    ("%s %s\n" % (mark, name)).encode())

        octet = lambda name: (200, {"Content-Type": "application/octet-stream"},
                              ("%s %s\n" % (mark, name)).encode())
        self.portal.responses.update({
            "/files/hidden-frame": attachment("text/plain", "hidden-frame.txt"),
            "/files/anchor": (200, {"Content-Type": "text/plain"}, ("%s anchor\n" % mark).encode()),
            "/files/frame-octet": octet("frame-octet.bin"),
            "/files/top-octet": octet("top-octet.bin"),
            "/files/top-attachment": attachment("text/html", "top-attachment.html"),
        })
        files = ["/files/" + name for name in ("hidden-frame", "anchor", "frame-octet", "top-octet",
                                               "top-attachment")]
        # One step every 600 ms: two download links clicked at once make one
        # download, the second click cancelling the first.
        steps = """
        function (a) { a.href = '/files/anchor'; a.download = '%(mark)s-anchor.txt'; a.click(); },
        function (a) { a.href = URL.createObjectURL(new Blob(['%(mark)s blob'])); a.download = '%(mark)s-blob.txt'; a.click(); },
        function () { document.getElementById('frame').src = '/files/frame-octet'; },
        function () { location = '/files/top-octet'; },
        function () { location = '/files/top-attachment'; }
        """ % {"mark": mark}
        self.start(page(
            "<iframe style='display:none' src='/files/hidden-frame'></iframe>"
            "<p style='color:white'>downloads</p><iframe id='frame' width=300 height=100></iframe>"
            # Each step is told before it is taken: a step that navigates
            # would cancel a beacon sent after it.
            "<script>var steps = [%s];"
            "addEventListener('load', function () { steps.forEach(function (step, i) {"
            "  setTimeout(function () { var a = document.createElement('a'); document.body.appendChild(a);"
            "    var told = new Image(); told.onload = told.onerror = function () { step(a); };"
            "    told.src = '/beacon?' + encodeURIComponent('step=' + i); }, 600 * (i + 1)); }); });</script>"
            % steps,
            head=PAGE_SCRIPT))
        self.wait_beacon("step=4")
        # A link's download may be refused before it asks the portal for
        # anything; every other file is fetched by the engine first.
        fetched = [f for f in files if f != "/files/anchor"]
        self.assertTrue(wait_until(lambda: all(self.portal.got(f) for f in fetched), timeout=PATIENCE),
                        "the page never asked for %s" % [f for f in fetched if not self.portal.got(f)])
        self.assert_nothing_started(settle=3.0)
        self.keep_screenshot("downloads")
        self.assert_logs_in_normally()
        self.assertEqual(self.program.log(), PAYLOAD_LOG.encode())
        saved = self.files_holding(mark, self.program.folder)
        real_home = os.path.expanduser("~")
        for folder in (real_home, os.path.join(real_home, "Downloads")):
            if os.path.isdir(folder):
                saved += [os.path.join(folder, f) for f in os.listdir(folder) if mark in f]
        self.assertEqual(saved, [], "saved from the page")

    @staticmethod
    def files_holding(mark, root):
        found = []
        for folder, _, names in os.walk(root):
            for name in names:
                path = os.path.join(folder, name)
                if mark in name:
                    found.append(path)
                    continue
                try:
                    with open(path, "rb") as f:
                        if mark.encode() in f.read(64 * 1024 * 1024):
                            found.append(path)
                except OSError:
                    pass
        return found


class AppLoginTexts(HostileTestCase):
    def test_huge_deep_and_malformed_texts_start_nothing_and_log_within_bounds(self):
        self.start(page("<p style='color:white'>texts</p><script>"
                        "var texts = ["
                        "  ['10 MB', function () { return 'HUGE' + 'x'.repeat(10 * 1024 * 1024); }],"
                        "  ['nested arrays', function () { return '['.repeat(100000) + ']'.repeat(100000); }],"
                        "  ['nested objects', function () {"
                        "     return '{\"a\":'.repeat(100000) + '1' + '}'.repeat(100000); }],"
                        "  ['lone surrogates', function () { return '\\uD800\\uDC00\\uDBFF x \\uDFFF\\uD800'; }],"
                        "  ['cut surrogate pair', function () { return '{\"uid\":\"\\uD83D'; }],"
                        "  ['control characters', function () {"
                        "     var s = ''; for (var c = 1; c < 32; ++c) s += String.fromCharCode(c);"
                        "     return s + '\\u007f\\u0085\\u2028'; }],"
                        "  ['leading zero', function () { return '\\u0000' + %s; }],"
                        "];"
                        "addEventListener('load', function () { setTimeout(function () {"
                        "  texts.forEach(function (text) {"
                        "    window.external.AppLogin(text[1]()); report('back=' + text[0]); });"
                        "  report('all-back'); }, 0); });</script>" % json.dumps(PAYLOAD),
                        head=PAGE_SCRIPT))
        self.wait_beacon("all-back", timeout=2 * PATIENCE)
        self.assertEqual(self.beacons("back="), ["10 MB", "nested arrays", "nested objects",
                                                "lone surrogates", "cut surrogate pair",
                                                "control characters", "leading zero"])
        self.assert_nothing_started()
        self.assert_logs_in_normally()
        log = self.assert_log_bounded()
        self.assertIn(b"HUGE" + b"x" * 1000, log, "the 10 MB text was not logged at all")
        self.assertTrue(log.endswith(PAYLOAD_LOG.encode()), log[-300:])

    def test_control_characters_in_a_payload_reach_the_launcher_as_they_are(self):
        # Raw in the payload's text, and one escaped the JSON way (\\u0007).
        payload = ('{"uid":"u\x01\x02","token":"t\x1b[31m","server_id":"s\x7f",'
                   '"other":"o\r\n","sign":"x\\u0007"}')
        self.start(page("<script>addEventListener('load', function () {"
                        "  window.external.AppLogin(%s); report('returned'); });</script>"
                        % json.dumps(payload)))
        self.assertEqual(self.started_with(timeout=PATIENCE),
                         [",id^u\x01\x02,auth_key^t\x1b[31m&s\x7f&o\r\n&x\x07"])
        self.assert_exits_with(16, timeout=PATIENCE)

    def test_lone_surrogates_in_a_payload_reach_the_launcher_as_question_marks(self):
        # A lone surrogate is a character the charset cannot hold, like any
        # other: it arrives as "?", whichever half it is.
        payload = '{"uid":"a\ud800b","token":"c\udc00d","server_id":"s","other":"o","sign":"x"}'
        self.start(page("<script>addEventListener('load', function () {"
                        "  window.external.AppLogin(%s); report('returned'); });</script>"
                        % json.dumps(payload)))
        try:
            args = self.started_with(timeout=PATIENCE)
        except AssertionError as error:
            self.fail("%s; %s; log.txt holds %r" % (error, self.state(), self.program.log()))
        self.assertEqual(args, [",id^a?b,auth_key^c?d&s&o&x"])
        self.assert_exits_with(16, timeout=PATIENCE)

    def test_ten_thousand_unparsable_calls_leave_memory_flat_and_the_log_bounded(self):
        # About 1 KiB each: together more than a run may log.
        self.start(page("<p style='color:white'>calls</p><script>"
                        "function calls(n) { var junk = '{not json ' + 'j'.repeat(1024);"
                        "  for (var i = 0; i < n; ++i) window.external.AppLogin(junk + i); }"
                        "addEventListener('load', function () { setTimeout(function () {"
                        "  calls(500); report('warm');"
                        "  whenOpen('calls', function () { calls(10000); report('called'); }); }, 0); });"
                        "</script>", head=PAGE_SCRIPT))
        self.wait_beacon("warm", timeout=2 * PATIENCE)
        time.sleep(1.0)
        before = proc_figure(self.launcher.pid, "VmRSS")
        self.open_gate("calls")
        self.wait_beacon("called", timeout=5 * PATIENCE)
        time.sleep(1.0)
        after = proc_figure(self.launcher.pid, "VmRSS")
        self.assertLess(after - before, 64 * 1024 * 1024,
                        "the program grew from %.1f MB to %.1f MB" % (before / 2**20, after / 2**20))
        self.assert_nothing_started()
        self.assert_logs_in_normally()
        self.assert_log_bounded()


class LongCallback(HostileTestCase):
    def test_frame_at_a_100_kb_code_callback_hands_the_whole_address_off(self):
        code = "".join(secrets.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_")
                       for _ in range(100 * 1024))
        callback = "/plumoqx/codeCallback.htm?code=" + code
        self.start(page("<iframe id='frame'></iframe><script>addEventListener('load', function () {"
                        "  document.getElementById('frame').src = %s; });</script>" % json.dumps(callback)))
        try:
            args = self.started_with(timeout=PATIENCE)
        except AssertionError as error:
            self.fail("%s; %s" % (error, self.state()))
        self.assertEqual(len(args), 1)
        self.assertEqual(len(args[0]), len(self.portal.origin() + callback))
        self.assertEqual(args[0], self.portal.origin() + callback)
        self.assert_exits_with(16, timeout=PATIENCE)
        self.assertIsNone(self.program.log(), "the callback route logs nothing")


class ManyLinks(HostileTestCase):
    def test_page_with_50000_links_loads_and_a_link_still_navigates(self):
        # The link to click comes last of all, over the others.
        callback = "/plumoqx/codeCallback.htm?code=LINK50000"
        links = "".join("<a href='/l/%d'>%d</a> " % (i, i) for i in range(50000))
        self.start(page(
            "<div style='font-size:4px'>%s</div><a href='%s' style='position:fixed;left:0;top:0;"
            "display:block;width:631px;height:200px;background:#e80'>log in</a>" % (links, callback),
            head="<script>function report(text) { new Image().src = '/beacon?' + encodeURIComponent(text); }"
                 "addEventListener('load', function () {"
                 "  report('links=' + document.links.length);"
                 "  setTimeout(function () { report('bridge=' + window.external.xxyyzz); }, 0); });</script>"))
        self.assertEqual(self.wait_beacon("links=", timeout=2 * PATIENCE), "50001")
        self.assertEqual(self.wait_beacon("bridge=", timeout=2 * PATIENCE), "Wibble")
        # The program subscribes to the links' clicks once the page has
        # loaded: click once that work is over, with every link subscribed.
        self.wait_until_idle(self.launcher.pid, timeout=3 * PATIENCE)
        self.assertIsNone(self.launcher.poll(), self.state())
        self.keep_screenshot("50000-links")
        self.click_page(300, 100)
        try:
            args = self.started_with(timeout=PATIENCE)
        except AssertionError as error:
            self.fail("%s; %s" % (error, self.state()))
        self.assertEqual(args, [self.portal.origin() + callback])
        self.assert_exits_with(16, timeout=PATIENCE)

    @staticmethod
    def wait_until_idle(pid, timeout, quiet=1.5):
        """Waits until the process has used no CPU time to speak of for
        `quiet` seconds."""
        deadline = time.monotonic() + timeout
        last, since = cpu_seconds(pid), time.monotonic()
        while time.monotonic() < deadline and time.monotonic() - since < quiet:
            time.sleep(0.1)
            now = cpu_seconds(pid)
            if now - last > 0.02:
                since = time.monotonic()
            last = now


class BridgeWithoutScript(HostileTestCase):
    # Each kind of page holds valid login calls that reach the bridge without
    # its script, told apart by their uid; the page's scripts only report.
    # name: (markup, whether it reports if the bridge answered its fetch)
    VECTORS = {
        "img": ("<img src='%s'>" % bridge_call("img"), False),
        "css": ("<div style='width:9px;height:9px;background:url(\"%s\")'></div>"
                "<link rel='stylesheet' href='%s'>" % (bridge_call("css-background"),
                                                       bridge_call("css-link")), False),
        "sandboxed frame": ("<iframe sandbox src='/sandboxed.html'></iframe>", False),
        "frame": ("<iframe src='%s'></iframe><object data='%s'></object>" % (
            bridge_call("frame"), bridge_call("object")), False),
        # A script element only fetches, and what it gets is no script; its
        # events tell whether the bridge answered.
        "script element": ("<script src='%s' onload=\"report('fetch=answered')\""
                           " onerror=\"report('fetch=refused')\"></script>" % bridge_call("script-element"),
                           True),
        "member lookup": ("<img src='%s'><script src='%s' onload=\"report('fetch=answered')\""
                          " onerror=\"report('fetch=refused')\"></script>" % (BRIDGE_GET, BRIDGE_GET),
                          True),
    }

    def test_bridge_addresses_loaded_without_its_script_start_nothing(self):
        self.portal.pages["/sandboxed.html"] = page(
            "<img src='%s'><div style='width:9px;height:9px;background:url(\"%s\")'></div>" % (
                bridge_call("sandboxed-img"), bridge_call("sandboxed-css")))
        for name, (markup, reports) in self.VECTORS.items():
            with self.subTest(name):
                self.program = self.new_run()
                with self.portal.lock:
                    self.portal.beacons.clear()
                self.portal.responses.pop("/gate/login", None)
                try:
                    self.start(page(markup, head=PAGE_SCRIPT))
                    self.await_beacon("loaded")
                    self.assert_nothing_started()
                    self.wait_beacon("loaded")
                    if reports:
                        self.assertEqual(self.wait_beacon("fetch="), "refused",
                                         "the bridge answered a request made without its script")
                    self.assert_logs_in_normally()
                    self.assertEqual(self.program.log(), PAYLOAD_LOG.encode())
                finally:
                    self.program.close()


if __name__ == "__main__":
    unittest.main()
