"""Loopback stand-in for the maker's web server, reached as an HTTP proxy.

WinINet sends proxied requests in absolute form; the server keys routes on
the path and query alone so the host name the program uses does not matter.
A route without a query serves its path whatever the query, as a static host
does; one with a query serves only that query, and comes first.
Each route scripts one way of answering: any status, a short or long body,
a lie about the length, a stall, a reset.

For https addresses WinINet asks its proxy for a tunnel (CONNECT host:443);
tunnel() connects such a host to a loopback TLS server, so the program keeps
its own addresses and the TLS server sees the program's handshake.
"""

import hashlib
import select
import socket
import struct
import threading
import time
from urllib.parse import urlsplit

HEAD_LIMIT = 64 * 1024
REASONS = {200: "OK", 204: "No Content", 301: "Moved Permanently", 302: "Found",
           304: "Not Modified", 403: "Forbidden", 404: "Not Found",
           500: "Internal Server Error", 503: "Service Unavailable"}


_PERIOD = 251 * 256  # the pattern repeats after this many bytes
_ONE_PERIOD = bytes(((i * 7) + (i // 251)) & 0xFF for i in range(_PERIOD))


def pattern_bytes(n, offset=0):
    """Deterministic body bytes: position i holds (i * 7 + i // 251) & 0xFF."""
    out = bytearray()
    pos = offset % _PERIOD
    while len(out) < n:
        take = min(n - len(out), _PERIOD - pos)
        out += _ONE_PERIOD[pos:pos + take]
        pos = 0
    return bytes(out)


def pattern_sha256(n):
    h = hashlib.sha256()
    pos = 0
    while pos < n:
        step = min(65536, n - pos)
        h.update(pattern_bytes(step, pos))
        pos += step
    return h.hexdigest()


class Request:
    def __init__(self, method, target, version, header_lines, body):
        self.method = method
        self.target = target
        self.version = version
        self.header_lines = header_lines
        self.headers = {}
        for line in header_lines:
            name, _, value = line.partition(":")
            self.headers[name.strip().lower()] = value.strip()
        self.body = body
        self.time = time.monotonic()
        parts = urlsplit(target)
        if method == "CONNECT":
            self.host = target
            self.path = ""
        elif parts.scheme:
            self.host = parts.netloc
            self.path = (parts.path or "/") + ("?" + parts.query if parts.query else "")
        else:
            self.host = self.headers.get("host", "")
            self.path = target

    def __repr__(self):
        return "<Request %s %s agent=%r>" % (self.method, self.target,
                                            self.headers.get("user-agent"))


def same_file(path, requested):
    """requested is path, or path with any query when path names none."""
    return requested == path or "?" not in path and requested.partition("?")[0] == path


class Route:
    def __init__(self, path, body=b"", status=200, host=None, headers=None,
                 content_length=None, size=None, truncate_at=None, stall_at=None,
                 stall_seconds=5, stall_then="continue", reset=False, reset_at=None,
                 extra=b"", delay=0, times=None, chunk=4096, chunked=False,
                 content_type="application/octet-stream"):
        if isinstance(body, str):
            body = body.encode("gbk")
        if stall_then not in ("continue", "close"):
            raise ValueError("stall_then is 'continue' or 'close'")
        self.path = path
        self.body = body
        self.status = status
        self.host = host
        self.headers = dict(headers or {})
        self.content_length = content_length
        self.size = size
        self.truncate_at = truncate_at
        self.stall_at = stall_at
        self.stall_seconds = stall_seconds
        self.stall_then = stall_then
        self.reset = reset
        self.reset_at = reset_at
        self.extra = extra
        self.delay = delay
        self.times = times
        self.chunk = chunk
        self.chunked = chunked
        self.content_type = content_type
        self.served = 0

    def matches(self, req):
        if self.times is not None and self.served >= self.times:
            return False
        if self.host is not None and req.host.split(":")[0] != self.host:
            return False
        if self.path.endswith("*"):
            return req.path.startswith(self.path[:-1])
        return same_file(self.path, req.path)

    def body_length(self):
        return self.size if self.size is not None else len(self.body)

    def body_pieces(self):
        """The real body in pieces of at most chunk bytes, never all in memory."""
        total = self.body_length()
        pos = 0
        while pos < total:
            step = min(self.chunk, total - pos)
            if self.size is not None:
                yield pattern_bytes(step, pos)
            else:
                yield self.body[pos:pos + step]
            pos += step


class _Abort(Exception):
    """The route ends the connection on purpose."""


class Server:
    def __init__(self):
        self._routes = []
        self._tunnels = {}
        self._lock = threading.Lock()
        self.requests = []
        self.errors = []
        self._sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self._sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self._sock.bind(("127.0.0.1", 0))
        self._sock.listen(32)
        self.port = self._sock.getsockname()[1]
        self.url = "http://127.0.0.1:%d" % self.port
        self._stop = threading.Event()
        self._conns = set()
        self._thread = threading.Thread(target=self._accept_loop, daemon=True)
        self._thread.start()

    # -- scripting -------------------------------------------------------
    def route(self, path, body=b"", status=200, **kw):
        r = Route(path, body=body, status=status, **kw)
        with self._lock:
            self._routes.append(r)
        return r

    def tunnel(self, authority, port):
        """CONNECT authority ("host:443") reaches 127.0.0.1:port."""
        with self._lock:
            self._tunnels[authority] = port

    def clear_routes(self):
        with self._lock:
            self._routes = []

    def requests_for(self, path):
        with self._lock:
            return [r for r in self.requests if same_file(path, r.path)]

    def wait_for_request(self, path, timeout=10, count=1):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.requests_for(path)
            if len(found) >= count:
                return found
            time.sleep(0.05)
        raise AssertionError("no %d request(s) for %r within %ss; got %r"
                             % (count, path, timeout, self.requests))

    def stop(self):
        self._stop.set()
        try:
            self._sock.close()
        except OSError:
            pass
        with self._lock:
            conns = list(self._conns)
        for c in conns:
            try:
                c.close()
            except OSError:
                pass
        self._thread.join(timeout=2)

    # -- serving ----------------------------------------------------------
    def _accept_loop(self):
        self._sock.settimeout(0.2)
        while not self._stop.is_set():
            try:
                conn, _ = self._sock.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            with self._lock:
                self._conns.add(conn)
            threading.Thread(target=self._serve_conn, args=(conn,), daemon=True).start()

    def _serve_conn(self, conn):
        conn.settimeout(30)
        buf = b""
        try:
            while not self._stop.is_set():
                req, buf = self._read_request(conn, buf)
                if req is None:
                    return
                with self._lock:
                    self.requests.append(req)
                    route = next((r for r in self._routes if r.matches(req) and r.path == req.path),
                                 None) or next((r for r in self._routes if r.matches(req)), None)
                    if route is not None:
                        route.served += 1
                    port = self._tunnels.get(req.target)
                if req.method == "CONNECT":
                    self._tunnel(conn, port, buf)
                    return
                keep = self._answer(conn, req, route)
                if not keep:
                    return
        except _Abort:
            return
        except (OSError, ValueError) as e:
            if not self._stop.is_set():
                self.errors.append(repr(e))
        finally:
            with self._lock:
                self._conns.discard(conn)
            try:
                conn.close()
            except OSError:
                pass

    def _tunnel(self, conn, port, early):
        """Relays bytes both ways until either side closes."""
        if port is None:
            conn.sendall(b"HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")
            return
        upstream = socket.create_connection(("127.0.0.1", port), timeout=10)
        with self._lock:
            self._conns.add(upstream)
        try:
            conn.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
            if early:
                upstream.sendall(early)
            other = {conn: upstream, upstream: conn}
            while not self._stop.is_set():
                ready, _, _ = select.select(list(other), [], [], 0.2)
                for sock in ready:
                    data = sock.recv(65536)
                    if not data:
                        return
                    other[sock].sendall(data)
        finally:
            with self._lock:
                self._conns.discard(upstream)
            upstream.close()

    def _read_request(self, conn, buf):
        while b"\r\n\r\n" not in buf:
            if len(buf) > HEAD_LIMIT:
                raise ValueError("request head too long")
            data = conn.recv(65536)
            if not data:
                return None, b""
            buf += data
        head, _, rest = buf.partition(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        method, target, version = (lines[0].split(" ") + ["", ""])[:3]
        req = Request(method, target, version, lines[1:], b"")
        need = int(req.headers.get("content-length", "0") or 0)
        while len(rest) < need:
            data = conn.recv(65536)
            if not data:
                break
            rest += data
        req.body = rest[:need]
        return req, rest[need:]

    def _answer(self, conn, req, route):
        if route is None:
            route = Route(req.path, body=b"not found", status=404, content_type="text/plain")
        if route.delay:
            time.sleep(route.delay)
        if route.reset:
            self._reset(conn)
        total = route.body_length()
        announced = total if route.content_length is None else route.content_length
        head = ["HTTP/1.1 %d %s" % (route.status, REASONS.get(route.status, "Status")),
                "Content-Type: %s" % route.content_type,
                "Cache-Control: no-cache"]
        if route.chunked:
            head.append("Transfer-Encoding: chunked")
        elif announced is not False:
            head.append("Content-Length: %d" % announced)
        close = (announced is False or route.truncate_at is not None
                 or route.stall_then == "close" and route.stall_at is not None
                 or bool(route.extra) or route.reset_at is not None
                 or req.headers.get("connection", "").lower() == "close")
        head.append("Connection: %s" % ("close" if close else "keep-alive"))
        head += ["%s: %s" % kv for kv in route.headers.items()]
        conn.sendall(("\r\n".join(head) + "\r\n\r\n").encode("latin-1"))
        if req.method == "HEAD":
            return not close
        if route.chunked:
            for piece in route.body_pieces():
                conn.sendall(b"%x\r\n%s\r\n" % (len(piece), piece))
            conn.sendall(b"0\r\n\r\n")
            return not close
        self._send_body(conn, route)
        if route.extra:
            conn.sendall(route.extra)
        return not close

    def _send_body(self, conn, route):
        sent = 0
        stalled = False
        for piece in route.body_pieces():
            for limit in (route.truncate_at, route.reset_at, route.stall_at):
                if limit is not None and sent + len(piece) > limit:
                    piece = piece[:max(0, limit - sent)]
            if piece:
                conn.sendall(piece)
                sent += len(piece)
            if route.truncate_at is not None and sent >= route.truncate_at:
                raise _Abort()
            if route.reset_at is not None and sent >= route.reset_at:
                self._reset(conn)
            if route.stall_at is not None and not stalled and sent >= route.stall_at:
                stalled = True
                self._stop.wait(route.stall_seconds)
                if route.stall_then == "close":
                    raise _Abort()
                # What the stall cut off from this piece still has to go out.
                self._send_rest(conn, route, sent)
                return

    def _send_rest(self, conn, route, sent):
        total = route.body_length()
        while sent < total:
            step = min(route.chunk, total - sent)
            piece = pattern_bytes(step, sent) if route.size is not None else route.body[sent:sent + step]
            conn.sendall(piece)
            sent += step

    @staticmethod
    def _reset(conn):
        # Linger 0: close sends RST instead of FIN.
        conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        conn.close()
        raise _Abort()
