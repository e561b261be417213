"""A server that misbehaves while the installed program checks for an update:
it stalls in the middle of the new executable, resets the connection, sends
more than it announced, or answers the manifest with a megabyte of garbage.
Afterwards the program still answers, the executable is the one it was, and
the user saw the offer and the failure message at most."""

import os
import unittest

from tests.harness import IDYES
from tests.e2e.update.test_update import EXE, MANIFEST, UpdateCase

WM_NULL = 0
MIB = 1024 * 1024


class HostileServer(UpdateCase):
    TIMEOUT = 180

    def expect_still_working(self, window):
        self.assertEqual(0, self.robot.send(window.hwnd, WM_NULL))
        self.assertTrue(self.robot.info(window.hwnd)["visible"])
        self.expect_untouched()

    def accept_offer_and_expect_failure(self, **exe_route):
        self.publish(b"5.0.0.1", **exe_route)
        window = self.start_installed()
        self.tick(window)
        self.robot.answer(self.offer("5.0.0.1"), IDYES)
        self.expect_failure_message()
        self.robot.no_box(within=2)
        self.expect_still_working(window)

    def test_a_stall_mid_body_that_ends_in_a_close(self):
        self.accept_offer_and_expect_failure(
            body=self.new_image, stall_at=len(self.new_image) // 2, stall_seconds=8,
            stall_then="close")

    def test_a_connection_reset_mid_body(self):
        # A body far larger than the socket buffers: the server is still
        # sending when the user accepts, so the reset meets the download
        # itself, not the opening of the URL.
        self.accept_offer_and_expect_failure(size=64 * MIB, reset_at=16 * MIB)

    def test_a_body_past_the_bound_is_called_off_and_leaves_nothing(self):
        # 300 MB streamed without an announced length: the download stops at
        # 64 MiB, and no partial file or WinINet cache copy stays anywhere.
        self.accept_offer_and_expect_failure(size=300 * MIB, content_length=False)
        drive = self.unix("C:\\")
        large = []
        for root, folders, names in os.walk(drive):
            if root == drive:
                folders[:] = [f for f in folders if f.lower() != "windows"]  # Wine's own DLLs
            large += [os.path.join(root, n) for n in names if os.path.isfile(os.path.join(root, n))
                      and os.path.getsize(os.path.join(root, n)) > 16 * MIB]
        self.assertEqual([], large)

    def test_a_body_larger_than_announced(self):
        # Only the announced half is the body; the rest must not count.
        self.accept_offer_and_expect_failure(
            body=self.new_image, content_length=len(self.new_image) // 2)

    def test_a_reset_instead_of_the_manifest_is_silent(self):
        self.server.clear_routes()
        self.server.route("/tarnquill/?software=*", body=b"<html></html>", content_type="text/html")
        self.server.route(MANIFEST, reset=True)
        window = self.start_installed()
        self.tick(window)
        self.server.wait_for_request(MANIFEST, timeout=20)
        self.robot.no_box(within=4)
        self.assertEqual([], self.server.requests_for(EXE))
        self.expect_still_working(window)

    def test_a_megabyte_of_garbage_as_the_manifest_is_silent(self):
        garbage = {
            # Bytes of every value but zero, starting like a version.
            "binary": (b"5.0.0.1" + bytes(range(1, 256)) * (MIB // 255 + 1))[:MIB],
            # Digits and dots only: a version string far beyond four parts.
            "endless version": b"9." * (MIB // 2),
        }
        for name, body in garbage.items():
            with self.subTest(name):
                self.publish(body, body=self.new_image)
                before = len(self.server.requests_for(MANIFEST))
                window = self.start_installed()
                self.tick(window)
                self.server.wait_for_request(MANIFEST, timeout=20, count=before + 1)
                self.robot.no_box(within=4)
                self.assertEqual([], self.server.requests_for(EXE))
                self.expect_still_working(window)
                self.close(window)


if __name__ == "__main__":
    unittest.main()
