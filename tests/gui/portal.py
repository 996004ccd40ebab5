"""A loopback stand-in of the game portal and the content server for the GUI
tests: login pages the test sets, the callback pages, the game launcher
download, answers with headers and bodies of the test's choosing, and a
beacon that pages call to report what they saw."""

import http.server
import os
import threading
import time
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
LAUNCHER_PATH = "/kestrani2/halvoryne_web/vuntek_qx_launch.exe"
# Callback addresses under test run longer than the 64 KiB request line the
# standard handler accepts.
MAX_REQUEST_LINE = 4 * 1024 * 1024


class Portal:
    def __init__(self, port, launcher_file):
        self.port = port
        self.pages = {}          # path -> HTML text
        self.responses = {}      # path -> (status, {header: value}, body bytes)
        with open(launcher_file, "rb") as launcher:
            self.launcher = launcher.read()
        self.launcher_seconds = 0.0  # how long sending the launcher takes
        self.dropping = False    # close every connection without an answer
        self.beacons = []        # query strings the pages sent
        self.requests = []       # paths asked for
        self.lock = threading.Lock()
        portal = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def handle_one_request(self):
                self.raw_requestline = self.rfile.readline(MAX_REQUEST_LINE + 1)
                if not self.raw_requestline:
                    self.close_connection = True
                    return
                if len(self.raw_requestline) > MAX_REQUEST_LINE:
                    self.requestline = self.request_version = self.command = ""
                    self.send_error(414)
                    return
                if portal.dropping:
                    self.close_connection = True
                    return
                if not self.parse_request():
                    return
                method = getattr(self, "do_" + self.command, None)
                if method is None:
                    self.send_error(501)
                    return
                method()
                self.wfile.flush()

            def do_GET(self):
                path, _, query = self.path.partition("?")
                with portal.lock:
                    portal.requests.append(self.path)
                if path == "/beacon":
                    with portal.lock:
                        portal.beacons.append(urllib.parse.unquote(query))
                    return self.reply(204, b"", "text/plain")
                if path == LAUNCHER_PATH:
                    return self.reply(200, portal.launcher, "application/octet-stream",
                                      seconds=portal.launcher_seconds)
                if path in portal.responses:
                    status, headers, body = portal.responses[path]
                    return self.reply(status, body, None, headers)
                page = portal.pages.get(path)
                if page is None and path.endswith("codeCallback.htm"):
                    page = "<!DOCTYPE html><meta charset='utf-8'><p>logged in</p>"
                if page is None:
                    return self.reply(404, b"<p>not here</p>", "text/html")
                self.reply(200, page.encode("utf-8"), "text/html; charset=utf-8")

            def reply(self, status, body, kind, headers=None, seconds=0.0):
                headers = dict({"Content-Type": kind, "Cache-Control": "no-store"}, **(headers or {}))
                try:
                    self.send_response(status)
                    for name, value in headers.items():
                        if value is not None:
                            self.send_header(name, value)
                    self.send_header("Content-Length", str(len(body)))
                    self.end_headers()
                    # In twenty pieces over `seconds`, as a slow network would.
                    step = max(1, len(body) // 20) if seconds else max(1, len(body))
                    for at in range(0, len(body), step):
                        self.wfile.write(body[at:at + step])
                        if seconds:
                            self.wfile.flush()
                            time.sleep(seconds / 20)
                except (BrokenPipeError, ConnectionResetError):
                    # The page went meanwhile: the program ended, say.
                    self.close_connection = True

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
        self.server.daemon_threads = True
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)

    def __enter__(self):
        self.thread.start()
        return self

    def __exit__(self, *exc):
        self.server.shutdown()
        self.server.server_close()

    def origin(self, host="127.0.0.1"):
        return "http://%s:%d" % (host, self.port)

    def got(self, prefix):
        with self.lock:
            return [r for r in self.requests if r.startswith(prefix)]
