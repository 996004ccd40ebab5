"""A logging HTTP proxy on loopback for the GUI tests: it forwards plain
requests and tunnels CONNECT, records every request it is asked for, and
resolves host names that only it knows, so that a program reaching such a
host must have come through it. It can refuse connections, or answer 407."""

import http.server
import select
import socket
import threading
import urllib.parse

# Headers meant for the proxy alone.
HOP_HEADERS = {"proxy-authorization", "proxy-connection", "connection", "keep-alive"}


class LoggingProxy:
    def __init__(self, hosts):
        """`hosts` maps the names only the proxy resolves to addresses."""
        self.hosts = dict(hosts)
        self.requests = []          # (method, target) as asked
        self.wants_password = False  # answer every request with 407
        self.lock = threading.Lock()
        proxy = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *args):
                pass

            def do_CONNECT(self):
                if not proxy.admit(self):
                    return
                host, _, port = self.path.rpartition(":")
                try:
                    upstream = socket.create_connection((proxy.resolve(host), int(port)), timeout=10)
                except OSError:
                    return self.refuse(502)
                self.send_response(200, "Connection Established")
                self.end_headers()
                self.close_connection = True
                relay(self.connection, upstream)

            def forward(self):
                if not proxy.admit(self):
                    return
                target = urllib.parse.urlsplit(self.path)
                if target.scheme != "http" or not target.hostname:
                    return self.refuse(400)
                try:
                    upstream = socket.create_connection(
                        (proxy.resolve(target.hostname), target.port or 80), timeout=10)
                except OSError:
                    return self.refuse(502)
                length = int(self.headers.get("Content-Length") or 0)
                body = self.rfile.read(length) if length else b""
                path = target.path or "/"
                head = ["%s %s%s HTTP/1.1" % (self.command, path, "?" + target.query if target.query else "")]
                head += ["%s: %s" % (name, value) for name, value in self.headers.items()
                         if name.lower() not in HOP_HEADERS]
                head.append("Connection: close")
                upstream.sendall(("\r\n".join(head) + "\r\n\r\n").encode("latin-1") + body)
                # The server ends its answer by closing; so does the proxy.
                self.close_connection = True
                relay(self.connection, upstream)

            do_GET = do_POST = do_HEAD = forward

            def refuse(self, status):
                headers = {"Proxy-Authenticate": 'Basic realm="test proxy"'} if status == 407 else {}
                self.send_response(status)
                for name, value in headers.items():
                    self.send_header(name, value)
                self.send_header("Content-Length", "0")
                self.send_header("Connection", "close")
                self.end_headers()
                self.close_connection = True

        self.handler = Handler
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.server.daemon_threads = True
        self.port = self.server.server_address[1]
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.refusing = None

    def __enter__(self):
        self.thread.start()
        return self

    def __exit__(self, *exc):
        if self.server is not None:
            self.server.shutdown()
            self.server.server_close()
            self.server = None
        if self.refusing is not None:
            self.refusing.close()

    @property
    def address(self):
        return "127.0.0.1:%d" % self.port

    def url(self, credentials=""):
        return "http://%s%s" % (credentials + "@" if credentials else "", self.address)

    def refuse(self):
        """From now on, every connection is refused: the port stays bound
        (so that nobody else takes it) but is no longer listened on."""
        self.__exit__()
        self.refusing = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        # The connections just served may still hold the port.
        self.refusing.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.refusing.bind(("127.0.0.1", self.port))

    def resolve(self, host):
        return self.hosts.get(host.strip("[]"), host)

    def admit(self, handler):
        """Records the request; answers 407 for it when asked to."""
        with self.lock:
            self.requests.append((handler.command, handler.path))
        if self.wants_password:
            handler.refuse(407)
            return False
        return True

    def asked_for(self, text):
        """The targets of the requests that hold `text`."""
        with self.lock:
            return [target for _, target in self.requests if text in target]


def relay(client, upstream):
    """Copies bytes both ways until either side closes."""
    sockets = [client, upstream]
    try:
        while True:
            readable, _, _ = select.select(sockets, [], [], 30)
            if not readable:
                return
            for source in readable:
                data = source.recv(65536)
                if not data:
                    return
                (upstream if source is client else client).sendall(data)
    except OSError:
        pass
    finally:
        upstream.close()
