"""The support log as support reads it: a release published without its
signature is no offer, and the user's log names the announced version and
the 404 the signature got, and how the start decided."""

import unittest

from tests.e2e.update.test_update import EXE, INSTALLED, UpdateCase

LOG = "C:\\users\\root\\AppData\\Local\\Veltrano\\tarnquill.log"


class SupportLog(UpdateCase):
    def lines(self):
        return self.read(LOG).decode("gbk").splitlines() if self.exists(LOG) else []

    def line_with(self, *words):
        return next((line for line in self.lines() if all(word in line for word in words)), None)

    def test_a_signature_answering_404_is_no_offer_and_the_log_says_so(self):
        self.publish(b"5.0.0.1", sig_route=dict(body=b"<html>404 Not Found</html>", status=404,
                                                content_type="text/html"), body=self.new_image)
        window = self.start_installed()
        self.tick(window)
        # The check's last word on it, then the request it rests on.
        self.wait_until(lambda: self.line_with("no offer of 5.0.0.1"), timeout=40,
                        message="no line of the check in %s: %r" % (LOG, self.lines()))
        request = self.line_with("tarnquill.exe.sig of 5.0.0.1", "HTTP 404")
        self.assertIsNotNone(request, self.lines())
        self.assertNotIn("?v=", request)
        self.assertIsNotNone(self.line_with("start " + INSTALLED, "stay, machine copy"), self.lines())
        self.robot.no_box(within=3)
        self.assertEqual([], self.server.requests_for(EXE))
        self.expect_untouched()
        self.close(window)


if __name__ == "__main__":
    unittest.main()
