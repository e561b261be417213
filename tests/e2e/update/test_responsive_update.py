"""The update never freezes the window and never runs twice: a server that
stops answering, a question left open past the timer, two installed copies
that both accept the update. The window answers a WM_NULL from another
process within a second throughout."""

import os
import time
import unittest

from tests.harness import IDNO, IDYES
from tests.e2e.update.test_update import (BACKUP, EXE, FAILURE_CAPTION, FOLDER, INSTALLED, MANIFEST, MARKER,
                                          OFFER_CAPTION, SUCCESS_CAPTION, UpdateCase, downloads_left)

WM_NULL = 0
SHORTCUT_CAPTION = "tarnquill"
# The session's wait for a silent server, and what the test allows beyond it.
NETWORK_WAIT = 30
SLACK = 15


class Responsive(UpdateCase):
    TIMEOUT = 240

    def answers_within_a_second(self, window):
        # The robot fails when the window has not answered within the time-out.
        self.assertEqual(0, self.robot.send(window.hwnd, WM_NULL, timeout=1))

    def keep_answering(self, window, seconds, until=None):
        """Sends WM_NULL over and over for the given time, or until until()
        is true; returns until's last value."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            self.answers_within_a_second(window)
            if until and until():
                return True
            time.sleep(0.5)
        return until() if until else None

    def accept_offer(self, window):
        """Yes, and on past the box's closing: Wine's message box keeps its
        thread about two seconds as it closes, whatever the answer (No too),
        before the program gets its answer."""
        offer = self.offer("5.0.0.1")
        self.robot.answer(offer, IDYES)
        self.robot.wait_gone(offer.hwnd)
        self.robot.send(window.hwnd, WM_NULL, timeout=5)

    def download_sizes(self):
        sizes = []
        for name in self.listdir(FOLDER):
            if name.lower().endswith(".part"):
                try:
                    sizes.append(os.path.getsize(self.unix(FOLDER + "\\" + name)))
                except OSError:
                    pass  # gone meanwhile
        return sizes

    def box_shown(self, caption):
        return [w for w in self.robot.windows(caption=caption) if w.cls == "#32770"]


class StalledServer(Responsive):
    def test_a_manifest_that_never_comes_is_silent(self):
        self.server.clear_routes()
        self.server.route("/tarnquill/?software=*", body=b"<html></html>", content_type="text/html")
        self.server.route(MANIFEST, body=b"5.0.0.1", delay=NETWORK_WAIT * 4)
        window = self.start_installed()
        self.tick(window)
        self.server.wait_for_request(MANIFEST, timeout=20)
        self.keep_answering(window, NETWORK_WAIT + SLACK)
        self.robot.no_box(within=2)
        self.assertEqual([], self.server.requests_for(EXE))
        self.expect_untouched()

    def test_a_download_that_stalls_after_its_first_bytes_fails_within_the_bound(self):
        self.publish(b"5.0.0.1", body=self.new_image, stall_at=4096, stall_seconds=NETWORK_WAIT * 4)
        window = self.start_installed()
        self.tick(window)
        self.accept_offer(window)
        accepted = time.monotonic()
        failed = self.keep_answering(window, NETWORK_WAIT + SLACK,
                                     until=lambda: self.box_shown(FAILURE_CAPTION))
        self.assertTrue(failed, "no failure message %ss after the stall" % (NETWORK_WAIT + SLACK))
        self.assertGreater(time.monotonic() - accepted, NETWORK_WAIT / 2, "failed before the stall")
        self.expect_failure_message()
        self.expect_untouched()

    def test_closing_the_window_during_the_stall_ends_the_program(self):
        self.publish(b"5.0.0.1", body=self.new_image, stall_at=4096, stall_seconds=NETWORK_WAIT * 4)
        window = self.start_installed()
        self.tick(window)
        self.robot.answer(self.offer("5.0.0.1"), IDYES)
        # The download has begun: its file beside the executable holds the
        # bytes sent before the stall.
        self.wait_until(lambda: any(size >= 4096 for size in self.download_sizes()), 30,
                        message="the download never began")
        self.close(window)
        self.wait_until(lambda: not [p for p in self.wine_processes()
                                     if p["exe"].lower() == "tarnquill.exe"],
                        timeout=10, message="the program outlived its window")
        self.assertEqual(self.old_image, self.read(INSTALLED))
        self.assertFalse(self.exists(BACKUP))


class OpenQuestion(Responsive):
    def test_the_check_waits_for_the_shortcut_question(self):
        self.publish(b"5.0.0.1", body=self.new_image)
        os.remove(self.unix(MARKER))  # never asked yet: the question comes
        self.start(INSTALLED)
        question = self.robot.wait_box(caption=SHORTCUT_CAPTION, timeout=30)
        # Asked from the window's initialisation: the window may not show yet.
        window = self.wait_until(lambda: self.robot.windows(caption="Veltrano " + self.host, cls="#32770",
                                                            visible_only=False), timeout=10)[0]
        # The timer fires 20 s after the start; the question stays open 30 s.
        self.keep_answering(window, 30)
        self.assertEqual([], self.server.requests_for(MANIFEST), "the check ran inside the question")
        self.robot.answer(question, IDNO)
        self.server.wait_for_request(MANIFEST, timeout=5)
        self.robot.answer(self.offer("5.0.0.1"), IDNO)
        self.expect_failure_message()
        self.robot.no_box(within=3)
        self.assertEqual(1, len(self.server.requests_for(MANIFEST)), "the check ran twice")


class TwoCopies(Responsive):
    def test_both_accept_and_one_update_lands(self):
        self.publish(b"5.0.0.1", body=self.new_image)
        first = self.start_installed()
        self.start(INSTALLED)
        windows = self.wait_until(
            lambda: [w for w in self.robot.windows(caption="Veltrano " + self.host, cls="#32770")
                     if w.hwnd != first.hwnd], timeout=30)
        second = windows[0]
        self.tick(first)
        self.tick(second)
        offers = [self.offer("5.0.0.1")]
        offers.append(self.robot.wait_box(caption=OFFER_CAPTION, timeout=30, exclude=[offers[0].hwnd]))
        for offer in offers:
            self.robot.answer(offer, IDYES)
        done = [self.robot.wait_box(caption=SUCCESS_CAPTION, timeout=60)]
        done.append(self.robot.wait_box(caption=SUCCESS_CAPTION, timeout=30, exclude=[done[0].hwnd]))
        self.assertEqual([], self.box_shown(FAILURE_CAPTION))
        for box in done:
            self.robot.answer(box, IDNO)
        self.robot.no_box(within=3)
        self.assertEqual(self.new_image, self.read(INSTALLED))
        # Had the second copy swapped as well, the backup would hold the new image.
        self.assertEqual(self.old_image, self.read(BACKUP))
        self.assertEqual([], downloads_left(self))


if __name__ == "__main__":
    unittest.main()
