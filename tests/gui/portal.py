"""A loopback stand-in of the game portal and the content server for the GUI
tests: login pages the test sets, the callback pages, the game launcher
download, answers with headers and bodies of the test's choosing, and a
beacon that pages call to report what they saw. Over plain HTTP, or over TLS
with a certificate of the test's choosing."""

import http.server
import os
import ssl
import threading
import time
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
LAUNCHER_PATH = "/kestrani2/halvoryne_web/vuntek_qx_launch.exe"
# Callback addresses under test run longer than the 64 KiB request line the
# standard handler accepts.
MAX_REQUEST_LINE = 4 * 1024 * 1024


class TlsServer(http.server.ThreadingHTTPServer):
    """Speaks TLS with the certificate its portal holds when a connection
    comes. The handshake is made on the connection's own thread, so that a
    client that hangs in it holds up nobody else."""

    def __init__(self, address, handler, portal):
        self.portal = portal
        super().__init__(address, handler)

    def get_request(self):
        connection, address = self.socket.accept()
        return self.portal.tls.wrap_socket(connection, server_side=True,
                                           do_handshake_on_connect=False), address

    def finish_request(self, request, client_address):
        try:
            request.do_handshake()
        except OSError as error:  # ssl.SSLError among them
            with self.portal.lock:
                self.portal.refused_handshakes.append(str(error))
            return
        super().finish_request(request, client_address)


class Portal:
    def __init__(self, port, launcher_file, certificate=None):
        """With `certificate`, a pair of file names (certificate, key), the
        portal speaks TLS."""
        self.port = port
        self.pages = {}          # path -> HTML text
        self.responses = {}      # path -> (status, {header: value}, body bytes)
        with open(launcher_file, "rb") as launcher:
            self.launcher = launcher.read()
        self.launcher_seconds = 0.0  # how long sending the launcher takes
        self.launcher_failures = 0   # launcher requests still to be answered 503
        self.dropping = False    # close every connection without an answer
        self.beacons = []        # query strings the pages sent
        self.requests = []       # paths asked for
        self.refused_handshakes = []  # why each TLS handshake failed
        self.tls = None
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
                    with portal.lock:
                        failing = portal.launcher_failures > 0
                        portal.launcher_failures -= failing
                    if failing:
                        return self.reply(503, b"busy", "text/plain")
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

        if certificate:
            self.use_certificate(*certificate)
            self.server = TlsServer(("127.0.0.1", port), Handler, self)
        else:
            self.server = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
        self.server.daemon_threads = True
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)

    def __enter__(self):
        self.thread.start()
        return self

    def __exit__(self, *exc):
        self.server.shutdown()
        self.server.server_close()

    def use_certificate(self, certificate_file, key_file):
        """The certificate shown from the next connection on."""
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(certificate_file, key_file)
        self.tls = context

    def origin(self, host="127.0.0.1"):
        return "%s://%s:%d" % ("https" if self.tls else "http", host, self.port)

    def got(self, prefix):
        with self.lock:
            return [r for r in self.requests if r.startswith(prefix)]
