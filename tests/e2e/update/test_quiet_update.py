"""Kept current by an IT department: "/update /quiet" as a scheduled task
runs it beside a user's open window, and the machine policy that turns the
window's check off or sends both to a mirror."""

import unittest

from tests.harness.signing import STRANGER_KEY, sign

from tests.e2e.update.test_update import (BACKUP, EXE, INSTALLED, MANIFEST, SIG, UpdateCase,
                                          downloads_left)

POLICY = r"HKLM\Software\Policies\Veltrano\tarnquill"
START_PAGE = "/tarnquill/?software=5.0"
MIRROR_HOST = "updates.corp.example"

CURRENT = 0
SIGNATURE = 21


class QuietUpdate(UpdateCase):
    def quiet_update(self):
        code, _ = self.run_program(INSTALLED, "/update", "/quiet", timeout=90)
        return code

    def set_policy(self, name, kind, value):
        code, out = self.prefix.run("reg", "add", POLICY, "/v", name, "/t", kind, "/d", value, "/f",
                                    timeout=30)
        self.assertEqual(0, code, out)

    def test_a_task_updates_beside_an_open_window_and_shows_nothing(self):
        window = self.start_installed()

        # A forged release first: refused with its own code, nothing changed.
        self.publish(b"5.0.0.1", sig_route=dict(body=sign(self.new_image, STRANGER_KEY)),
                     body=self.new_image)
        self.assertEqual(SIGNATURE, self.quiet_update())
        self.expect_untouched()

        self.publish(b"5.0.0.1", body=self.new_image)
        self.assertEqual(CURRENT, self.quiet_update())
        self.assertEqual(self.new_image, self.read(INSTALLED))
        self.assertEqual(self.old_image, self.read(BACKUP))
        self.assertEqual([], downloads_left(self))
        for path in (MANIFEST, SIG, EXE):
            self.assertEqual("AutoUpdateAgent", self.server.requests_for(path)[0].headers.get("user-agent"))

        # The next day: current already, nothing downloaded, nothing moved.
        fetched = len(self.server.requests_for(EXE))
        self.assertEqual(CURRENT, self.quiet_update())
        self.assertEqual(self.new_image, self.read(INSTALLED))
        self.assertEqual(self.old_image, self.read(BACKUP))
        self.assertEqual(fetched, len(self.server.requests_for(EXE)))

        # No window of its own (it would have asked for the start page), no
        # box, and the user's window goes on as it was, on the old version.
        self.assertEqual(1, len(self.server.requests_for(START_PAGE)))
        self.assertEqual([], self.server.requests_for("/tarnquill/?software=5.0.0.1"))
        self.robot.no_box(within=2)
        self.assertTrue(self.robot.info(window.hwnd)["visible"])
        self.assertEqual(0, self.robot.send(window.hwnd, 0))  # WM_NULL answered
        self.close(window)

    def test_policy_off_the_window_asks_nothing(self):
        self.set_policy("AutoUpdate", "REG_DWORD", "0")
        self.publish(b"5.0.0.1", body=self.new_image)
        window = self.start_installed()
        self.tick(window)  # as the timer would; the window never set it
        self.robot.no_box(within=5)
        self.assertEqual([], self.server.requests_for(MANIFEST))
        self.assertEqual(self.old_image, self.read(INSTALLED))
        self.close(window)

    def test_a_mirror_serves_the_signed_release(self):
        self.set_policy("UpdateUrl", "REG_SZ", "http://%s/veltrano" % MIRROR_HOST)
        self.server.clear_routes()
        self.server.route("/veltrano/update.txt", host=MIRROR_HOST, body=b"5.0.0.1")
        self.server.route("/veltrano/tarnquill.exe.sig", host=MIRROR_HOST, body=self.new_signature)
        self.server.route("/veltrano/tarnquill.exe", host=MIRROR_HOST, body=self.new_image)
        self.assertEqual(CURRENT, self.quiet_update())
        self.assertEqual(self.new_image, self.read(INSTALLED))
        fetched = [r.path for r in self.server.requests if r.host.split(":")[0] == MIRROR_HOST]
        self.assertEqual(["/veltrano/update.txt", "/veltrano/tarnquill.exe.sig?v=5.0.0.1",
                          "/veltrano/tarnquill.exe?v=5.0.0.1"], fetched)
        self.assertEqual([], self.server.requests_for(MANIFEST), "the maker's directory was asked")


if __name__ == "__main__":
    unittest.main()
