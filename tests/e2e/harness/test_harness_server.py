"""The stand-in server's scripted answers, checked from a plain socket client
(no Wine): what a test scripts is what goes over the wire."""

import socket
import time
import unittest

from tests.harness import Server, pattern_bytes, pattern_sha256


def exchange(port, request, read_timeout=5):
    """Sends one proxied request and reads until the server closes, or until
    read_timeout passes without data. Returns (head, body, how) where how is
    "closed", "reset" or "idle"."""
    s = socket.create_connection(("127.0.0.1", port), timeout=read_timeout)
    s.sendall(request)
    data = b""
    how = "closed"
    try:
        while True:
            chunk = s.recv(65536)
            if not chunk:
                break
            data += chunk
    except ConnectionResetError:
        how = "reset"
    except socket.timeout:
        how = "idle"
    finally:
        s.close()
    head, _, body = data.partition(b"\r\n\r\n")
    return head.decode("latin-1"), body, how


def get(path, host="www.veltrano.example", agent="AutoUpdateAgent", close=True):
    return ("GET http://%s%s HTTP/1.1\r\nHost: %s\r\nUser-Agent: %s\r\n%s\r\n"
            % (host, path, host, agent, "Connection: close\r\n" if close else "")).encode()


def content_length(head):
    for line in head.split("\r\n"):
        if line.lower().startswith("content-length:"):
            return int(line.split(":")[1])
    return None


class ServerScripts(unittest.TestCase):
    def setUp(self):
        self.server = Server()
        self.addCleanup(self.server.stop)

    def test_request_log_keys_on_path_and_keeps_headers(self):
        self.server.route("/tarnquill/?software=5.0", body="首页")
        head, body, _ = exchange(self.server.port, get("/tarnquill/?software=5.0"))
        self.assertTrue(head.startswith("HTTP/1.1 200"), head)
        self.assertEqual("首页".encode("gbk"), body)
        (req,) = self.server.requests_for("/tarnquill/?software=5.0")
        self.assertEqual("GET", req.method)
        self.assertEqual("http://www.veltrano.example/tarnquill/?software=5.0", req.target)
        self.assertEqual("www.veltrano.example", req.host)
        self.assertEqual("AutoUpdateAgent", req.headers["user-agent"])

    def test_unrouted_path_is_404_and_status_is_scripted(self):
        self.server.route("/gone.txt", body=b"missing page", status=404)
        head, body, _ = exchange(self.server.port, get("/gone.txt"))
        self.assertTrue(head.startswith("HTTP/1.1 404"), head)
        self.assertEqual(b"missing page", body)
        head, _, _ = exchange(self.server.port, get("/elsewhere"))
        self.assertTrue(head.startswith("HTTP/1.1 404"), head)

    def test_truncation_announces_more_than_it_sends(self):
        self.server.route("/x.exe", size=10000, truncate_at=1234)
        head, body, how = exchange(self.server.port, get("/x.exe"))
        self.assertEqual(10000, content_length(head))
        self.assertEqual(pattern_bytes(1234), body)
        self.assertEqual("closed", how)

    def test_more_than_announced_and_no_length(self):
        self.server.route("/a", body=b"12345", extra=b"EXTRA")
        head, body, _ = exchange(self.server.port, get("/a"))
        self.assertEqual(5, content_length(head))
        self.assertEqual(b"12345EXTRA", body)
        self.server.route("/b", body=b"until close", content_length=False)
        head, body, _ = exchange(self.server.port, get("/b"))
        self.assertIsNone(content_length(head))
        self.assertEqual(b"until close", body)

    def test_stall_holds_the_body_then_continues_or_closes(self):
        self.server.route("/slow", size=5000, stall_at=100, stall_seconds=1.0)
        started = time.monotonic()
        _, body, _ = exchange(self.server.port, get("/slow"))
        self.assertGreaterEqual(time.monotonic() - started, 0.9)
        self.assertEqual(pattern_bytes(5000), body)
        self.server.route("/cut", size=5000, stall_at=100, stall_seconds=0.2, stall_then="close")
        _, body, how = exchange(self.server.port, get("/cut"))
        self.assertEqual(pattern_bytes(100), body)
        self.assertEqual("closed", how)

    def test_reset_before_and_inside_the_body(self):
        self.server.route("/r", body=b"x", reset=True)
        head, body, how = exchange(self.server.port, get("/r"))
        self.assertEqual(("", b""), (head, body))
        self.assertIn(how, ("reset", "closed"))
        self.server.route("/r2", size=100000, reset_at=4096)
        _, body, how = exchange(self.server.port, get("/r2"))
        self.assertLessEqual(len(body), 4096)
        self.assertEqual(pattern_bytes(len(body)), body)

    def test_large_body_streams_whole_and_times_limits_a_route(self):
        n = 3 * 1024 * 1024 + 17
        self.server.route("/big.exe", size=n, times=1)
        _, body, _ = exchange(self.server.port, get("/big.exe"), read_timeout=20)
        self.assertEqual(n, len(body))
        import hashlib
        self.assertEqual(pattern_sha256(n), hashlib.sha256(body).hexdigest())
        head, _, _ = exchange(self.server.port, get("/big.exe"))
        self.assertTrue(head.startswith("HTTP/1.1 404"), head)
        self.assertEqual(2, len(self.server.requests_for("/big.exe")))

    def test_keep_alive_serves_two_requests_on_one_connection(self):
        self.server.route("/one", body=b"first")
        self.server.route("/two", body=b"second")
        s = socket.create_connection(("127.0.0.1", self.server.port), timeout=5)
        s.sendall(get("/one", close=False) + get("/two", close=True))
        data = b""
        while True:
            chunk = s.recv(65536)
            if not chunk:
                break
            data += chunk
        s.close()
        self.assertEqual(2, data.count(b"HTTP/1.1 200"))
        self.assertTrue(data.endswith(b"second"), data)
        self.assertEqual(["/one", "/two"], [r.path for r in self.server.requests])

    def test_a_path_serves_any_query_unless_a_route_names_the_query(self):
        self.server.route("/update/tarnquill.exe", body=b"plain")
        self.server.route("/update/tarnquill.exe?v=5.0.0.1", body=b"named")
        bodies = [exchange(self.server.port, get("/update/tarnquill.exe" + query))[1]
                  for query in ("", "?v=5.0.0.2", "?v=5.0.0.1")]
        self.assertEqual([b"plain", b"plain", b"named"], bodies)
        self.assertEqual(3, len(self.server.requests_for("/update/tarnquill.exe")))
        self.assertEqual(1, len(self.server.requests_for("/update/tarnquill.exe?v=5.0.0.1")))

    def test_a_chunked_body_goes_in_chunks_without_a_length(self):
        self.server.route("/c", body=b"abcdefghij", chunk=4, chunked=True)
        head, body, _ = exchange(self.server.port, get("/c"))
        self.assertIn("Transfer-Encoding: chunked", head)
        self.assertIsNone(content_length(head))
        self.assertEqual(b"4\r\nabcd\r\n4\r\nefgh\r\n2\r\nij\r\n0\r\n\r\n", body)

    def test_connect_tunnels_a_named_host_to_its_port_and_refuses_others(self):
        inner = Server()
        self.addCleanup(inner.stop)
        inner.route("/x", body=b"through")
        self.server.tunnel("www.veltrano.example:443", inner.port)
        connect = b"CONNECT %s HTTP/1.1\r\nHost: %s\r\n\r\n"
        request = b"GET /x HTTP/1.1\r\nHost: www.veltrano.example\r\nConnection: close\r\n\r\n"
        # The tunnelled request may follow the CONNECT at once.
        head, body, how = exchange(self.server.port, connect % ((b"www.veltrano.example:443",) * 2) + request)
        self.assertTrue(head.startswith("HTTP/1.1 200"), head)
        self.assertTrue(body.startswith(b"HTTP/1.1 200") and body.endswith(b"through"), body)
        self.assertEqual("closed", how)
        head, body, _ = exchange(self.server.port, connect % ((b"other.example:443",) * 2) + request)
        self.assertTrue(head.startswith("HTTP/1.1 502"), head)
        self.assertEqual(b"", body)
        self.assertEqual([("CONNECT", "www.veltrano.example:443"), ("CONNECT", "other.example:443")],
                         [(r.method, r.host) for r in self.server.requests])
        self.assertEqual(["/x"], [r.path for r in inner.requests])

    def test_prefix_route_and_wait_for_request(self):
        self.server.route("/tarnquill/?software=*", body=b"page")
        exchange(self.server.port, get("/tarnquill/?software=5.0.0.1"))
        self.assertEqual(1, len(self.server.wait_for_request("/tarnquill/?software=5.0.0.1", timeout=2)))
        with self.assertRaises(AssertionError):
            self.server.wait_for_request("/never", timeout=0.3)


if __name__ == "__main__":
    unittest.main()
