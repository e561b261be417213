"""The update as the maker publishes it: the release step writes the update
directory (Authenticode-signed by a test publisher, then signed for the
update), Debian's nginx serves it on a loopback port, and the installed
program under Wine finds, verifies and installs the signed update.

The default build reaches nginx as its HTTP proxy. The https build keeps its
addresses: WinINet asks the stand-in server for a tunnel to the maker's host
(CONNECT host:443), which leads to nginx speaking TLS with a leaf of a test
authority that the prefix's system Root store holds."""

import os
import tempfile
import unittest

from tests.harness import IDCANCEL, IDNO, IDOK, IDYES
from tests.harness.nginx import Nginx
from tests.harness.signing import TestCA, release
from tests.harness.wine import e2e_dir
from tests.e2e.update.test_update import BACKUP, INSTALLED, SUCCESS_CAPTION, UpdateCase, downloads_left

# Wine's wininet asks "此站点的证书有问题。" with 是 (IDOK) and 否 (IDCANCEL).
BROWSER_CERTIFICATE_PROMPT = "安全警告"
UPDATE_FILES = ("update.txt", "tarnquill.exe.sig?v=5.0.0.1", "tarnquill.exe?v=5.0.0.1")


class RealWebServer(UpdateCase):
    def setUp(self):
        super().setUp()
        self.folder = tempfile.mkdtemp(prefix="nginx-", dir=e2e_dir("nginx"))
        self.ca = TestCA(os.path.join(self.folder, "ca"))

    def publish_release(self):
        """The release step's update directory of 5.0.0.1 under a web root."""
        www = os.path.join(self.folder, "www")
        update_dir = os.path.join(www, "tarnquill", "update")
        release(self.exe("5.0.0.1"), update_dir, pfx=self.ca.pfx("publisher"), password="TEST-ONLY")
        self.assertEqual(sorted(os.listdir(update_dir)),
                         ["tarnquill.exe", "tarnquill.exe.sig", "update.txt"])
        with open(os.path.join(update_dir, "tarnquill.exe"), "rb") as f:
            released = f.read()
        # The certificate table of the Authenticode signature follows the image.
        self.assertGreater(len(released), len(self.new_image) + 1000)
        self.new_image = released
        return www

    def serve_over_tls(self, ca):
        """nginx with a TLS leaf of ca for the maker's host, reached through
        the stand-in's tunnel; the prefix trusts self.ca only."""
        self.prefix.trust_root(self.ca.cert)
        nginx = Nginx(self.publish_release(), self.host, tls=ca.issue(self.host, "tls", dns=self.host))
        self.addCleanup(nginx.stop)
        self.server.tunnel(self.host + ":443", nginx.port)
        return nginx

    def start_https_build(self):
        self.install_exe(INSTALLED, "https")
        self.old_image = self.read(INSTALLED)
        # Every address of the maker in the image is an https one.
        self.assertIn(("https://%s/tarnquill/update/" % self.host).encode(), self.old_image)
        self.assertNotIn(("http://%s/" % self.host).encode(), self.old_image)
        self.start(INSTALLED)
        return self.robot.wait_for_window(caption="Veltrano " + self.host, cls="#32770", timeout=30)

    def install_offered_update(self, window):
        self.tick(window)
        self.robot.answer(self.offer("5.0.0.1"), IDYES)
        done = self.robot.wait_box(caption=SUCCESS_CAPTION, timeout=60)
        self.assertEqual(self.new_image, self.read(INSTALLED))
        self.assertEqual(self.old_image, self.read(BACKUP))
        self.assertEqual([], downloads_left(self))
        self.robot.answer(done, IDNO)

    def test_the_released_directory_served_by_nginx_is_installed(self):
        nginx = Nginx(self.publish_release(), self.host)
        self.addCleanup(nginx.stop)
        self.prefix.env["http_proxy"] = "http://127.0.0.1:%d" % nginx.port
        self.start(INSTALLED)
        self.install_offered_update(
            self.robot.wait_for_window(caption="Veltrano " + self.host, cls="#32770", timeout=30))

        update = "http://%s/tarnquill/update/" % self.host
        def logged():
            return [line.replace(":80/", "/", 1) for line in nginx.access_log() if "/update/" in line]
        # nginx logs a request once it has sent the answer: it may trail the program.
        self.wait_until(lambda: len(logged()) >= len(UPDATE_FILES), 10,
                        message="nginx logged %r" % nginx.access_log())
        requests = logged()
        # The static host ignores the release's version in the query.
        self.assertEqual(["http GET %s%s HTTP/1.1" % (update, name) for name in UPDATE_FILES], requests)
        self.assertEqual([], self.server.requests, "a request bypassed nginx")

    def test_the_https_build_updates_over_tls(self):
        nginx = self.serve_over_tls(self.ca)
        window = self.start_https_build()
        page = "https GET /tarnquill/?software=5.0 HTTP/1.1"
        self.wait_until(lambda: page in nginx.access_log(), timeout=20,
                        message="no start page over TLS: %r" % nginx.access_log())
        self.install_offered_update(window)

        expected = [page] + ["https GET /tarnquill/update/%s HTTP/1.1" % name for name in UPDATE_FILES]
        self.wait_until(lambda: len(nginx.access_log()) >= len(expected), 10,
                        message="nginx logged %r" % nginx.access_log())
        self.assertEqual(expected, nginx.access_log())
        # Nothing went to the maker in the clear.
        self.assertEqual({("CONNECT", self.host + ":443")},
                         {(r.method, r.target) for r in self.server.requests})

    def test_a_certificate_the_system_does_not_trust_is_a_failed_connection(self):
        nginx = self.serve_over_tls(TestCA(os.path.join(self.folder, "stranger")))
        window = self.start_https_build()
        # Wine's browser control asks about the start page's certificate
        # itself (its IHttpSecurity never consults the host, so no host can
        # refuse for it); declined, as a user would. The update check has not
        # run yet: nothing has asked for the maker's host as the agent.
        prompt = self.robot.wait_box(caption=BROWSER_CERTIFICATE_PROMPT, timeout=20)
        self.assertEqual({IDOK, IDCANCEL}, set(prompt.buttons))
        self.assertEqual([], self.agent_tunnels())
        self.robot.answer(prompt, IDCANCEL)
        self.robot.wait_gone(prompt.hwnd)

        self.tick(window)
        self.wait_until(self.agent_tunnels, timeout=20,
                        message="the update check never asked for the maker's host")
        # No offer, no failure message, no prompt about the certificate: the
        # main window is the program's only window.
        self.robot.no_box(within=3)
        self.assertEqual([window.hwnd], [w.hwnd for w in self.robot.windows(pid=window.pid)])
        self.assertEqual([], nginx.access_log(), "a request got past the handshake")
        self.expect_untouched()

    def agent_tunnels(self):
        return [r.target for r in self.server.requests if r.headers.get("user-agent") == "AutoUpdateAgent"]

if __name__ == "__main__":
    unittest.main()
