"""The update as the maker publishes it: the release step writes the update
directory (Authenticode-signed by a test publisher, then signed for the
update), Debian's nginx serves it on a loopback port, and the installed
program under Wine, reaching nginx as its HTTP proxy, finds, verifies and
installs the signed update."""

import os
import tempfile
import unittest

from tests.harness import IDNO, IDYES
from tests.harness.nginx import Nginx
from tests.harness.signing import TestCA, release
from tests.harness.wine import e2e_dir
from tests.e2e.update.test_update import BACKUP, INSTALLED, SUCCESS_CAPTION, UpdateCase, downloads_left


class RealWebServer(UpdateCase):
    def test_the_released_directory_served_by_nginx_is_installed(self):
        www = tempfile.mkdtemp(prefix="www-", dir=e2e_dir("nginx"))
        update_dir = os.path.join(www, "tarnquill", "update")
        pfx = TestCA(tempfile.mkdtemp(prefix="ca-", dir=e2e_dir("nginx"))).pfx("publisher")
        release(self.exe("5.0.0.1"), update_dir, pfx=pfx, password="TEST-ONLY")
        self.assertEqual(sorted(os.listdir(update_dir)),
                         ["tarnquill.exe", "tarnquill.exe.sig", "update.txt"])
        with open(os.path.join(update_dir, "tarnquill.exe"), "rb") as f:
            released = f.read()
        # The certificate table of the Authenticode signature follows the image.
        self.assertGreater(len(released), len(self.new_image) + 1000)
        self.new_image = released

        nginx = Nginx(www, self.host)
        self.addCleanup(nginx.stop)
        self.prefix.env["http_proxy"] = "http://127.0.0.1:%d" % nginx.port
        self.start(INSTALLED)
        window = self.robot.wait_for_window(caption="Veltrano " + self.host, cls="#32770", timeout=30)
        self.tick(window)
        self.robot.answer(self.offer("5.0.0.1"), IDYES)
        done = self.robot.wait_box(caption=SUCCESS_CAPTION, timeout=60)
        self.assertEqual(self.new_image, self.read(INSTALLED))
        self.assertEqual(self.old_image, self.read(BACKUP))
        self.assertEqual([], downloads_left(self))
        self.robot.answer(done, IDNO)

        update = "http://%s/tarnquill/update/" % self.host
        requests = [line.replace(":80/", "/", 1) for line in nginx.access_log() if "/update/" in line]
        # The static host ignores the release's version in the query.
        self.assertEqual(["GET %s%s HTTP/1.1" % (update, name)
                          for name in ("update.txt", "tarnquill.exe.sig?v=5.0.0.1",
                                       "tarnquill.exe?v=5.0.0.1")], requests)
        self.assertEqual([], self.server.requests, "a request bypassed nginx")


if __name__ == "__main__":
    unittest.main()
