"""The harness itself, end to end: the probe fetches through WinINet from the
stand-in server, shows a message box, and the robot reads and answers it."""

import os
import subprocess
import time
import unittest

from tests.harness import E2E, IDOK, pattern_bytes
from tests.harness.wine import helper

CAPTION = "探针"
FIRST_LINE = "版本：5.0.0.1，免费快速"
URL = "http://www.veltrano.example/tarnquill/probe.txt"


class ProbeThroughServerAndRobot(E2E):
    TIMEOUT = 90

    def probe(self, url=URL, caption=CAPTION):
        return self.start(helper("probe.exe"), url, caption)

    def test_box_text_caption_and_request_log(self):
        self.server.route("/tarnquill/probe.txt", body=FIRST_LINE + "\r\nsecond line")
        proc = self.probe()
        box = self.robot.wait_box(caption=CAPTION, timeout=30)
        self.assertEqual(FIRST_LINE, box.text)
        self.assertEqual(CAPTION, box.caption)
        self.assertIn(IDOK, box.buttons)
        kids = {c.id & 0xFFFF: c for c in self.robot.children(box.hwnd)}
        self.assertEqual("Static", kids[0xFFFF].cls)
        self.assertEqual(FIRST_LINE, kids[0xFFFF].text)
        self.assertEqual("Button", kids[IDOK].cls)
        info = self.robot.info(box.hwnd)
        self.assertTrue(info["visible"])
        self.assertEqual(box.rect, tuple(info["rect"]))
        self.assertEqual(len(CAPTION), self.robot.send(box.hwnd, 0x000E))  # WM_GETTEXTLENGTH
        self.assertEqual(0, self.robot.send(box.hwnd, 0x007F, 1))  # WM_GETICON: none set
        left, top, right, bottom = kids[IDOK].rect_in_parent
        self.assertTrue(0 <= left < right <= info["client"][0] and 0 <= top < bottom <= info["client"][1])

        reqs = self.server.requests_for("/tarnquill/probe.txt")
        self.assertEqual(1, len(reqs), self.server.requests)
        self.assertEqual("AutoUpdateAgent", reqs[0].headers.get("user-agent"))
        self.assertTrue(reqs[0].target.startswith("http://www.veltrano.example"), reqs[0].target)
        self.assertEqual("www.veltrano.example", reqs[0].host.split(":")[0])

        self.robot.answer(box, IDOK)
        self.assertEqual(0, proc.wait(15))
        self.robot.wait_gone(box.hwnd, timeout=5)
        names = [p["exe"].lower() for p in self.wine_processes()]
        self.assertNotIn("probe.exe", names)

    def test_truncated_body_reaches_the_program_cut(self):
        body = ("一二三四五" * 40).encode("gbk")
        self.server.route("/tarnquill/probe.txt", body=body, truncate_at=10)
        proc = self.probe()
        box = self.robot.wait_box(caption=CAPTION, timeout=30)
        self.assertEqual("一二三四五", box.text)
        self.robot.answer(box, IDOK)
        self.assertEqual(0, proc.wait(15))

    def test_reset_connection_gives_nothing(self):
        self.server.route("/tarnquill/probe.txt", body=b"never sent", reset=True)
        proc = self.probe()
        box = self.robot.wait_box(caption=CAPTION, timeout=30)
        self.assertEqual("(nothing)", box.text)
        self.robot.answer(box, IDOK)
        self.assertEqual(3, proc.wait(15))

    def test_system_menu_and_drop_refusal_read_inside_the_target(self):
        self.server.route("/tarnquill/probe.txt", body=b"menu")
        self.probe()
        box = self.robot.wait_box(caption=CAPTION, timeout=30)
        ids = [i for i, _ in self.robot.sysmenu(box.hwnd)]
        self.assertIn(0xF060, ids)  # SC_CLOSE
        _, lines = self.robot._call("drop-files", box.hwnd, "C:\\x.txt")
        self.assertEqual({"accepts_files": False, "posted": False}, lines[0])
        self.robot.answer(box, IDOK)

    def test_kill_all_ends_a_process_stuck_in_a_transfer(self):
        self.server.route("/tarnquill/probe.txt", size=100000, stall_at=100, stall_seconds=60)
        proc = self.probe()
        self.server.wait_for_request("/tarnquill/probe.txt", timeout=30)
        self.assertTrue(proc.running())
        started = time.monotonic()
        self.prefix.kill_all()
        self.assertFalse(proc.running())
        self.assertLess(time.monotonic() - started, 20)
        # No wineserver of this prefix is left.
        out = subprocess.run(["pgrep", "-f", "wineserver"], capture_output=True, text=True).stdout
        for pid in out.split():
            try:
                environ = open("/proc/%s/environ" % pid, "rb").read()
            except OSError:
                continue
            self.assertNotIn(self.prefix.path.encode(), environ)


class TimeLimit(unittest.TestCase):
    def test_a_stuck_test_fails_at_its_limit_with_a_picture_and_leaves_nothing(self):
        class Stuck(E2E):
            TIMEOUT = 5

            def test_stuck(self):
                self.start(helper("probe.exe"), URL, CAPTION)
                self.robot.wait_box(caption="a box that never comes", timeout=120)

        runs = os.path.join(os.environ["TQ_BUILD_DIR"], "e2e", "runs")
        before = set(os.listdir(runs)) if os.path.isdir(runs) else set()
        result = unittest.TestResult()
        started = time.monotonic()
        Stuck("test_stuck").run(result)
        self.assertLess(time.monotonic() - started, 40)
        self.assertEqual(1, len(result.failures) + len(result.errors))
        self.assertIn("time limit", (result.failures + result.errors)[0][1])
        self.assertEqual(set(), set(os.listdir(runs)) - before)
        shots = os.path.join(os.environ["TQ_BUILD_DIR"], "e2e", "shots")
        self.assertTrue([f for f in os.listdir(shots) if "Stuck.test_stuck" in f])


class PrefixPaths(E2E):
    TIMEOUT = 60

    def test_dos_and_unix_paths_map_both_ways_and_programs_see_the_files(self):
        dos = "C:\\users\\root\\Downloads\\数据.bin"
        self.write(dos, pattern_bytes(100))
        self.assertEqual(self.unix(dos), os.path.join(self.prefix.drive_c, "users", "root",
                                                      "Downloads", "数据.bin"))
        self.assertEqual(dos, self.dos(self.unix(dos)))
        self.assertEqual("Z:\\tmp\\x", self.dos("/tmp/x"))
        # The shell folders are plain folders of the copy, never links to the real home.
        for name in ("Desktop", "Downloads", "Temp"):
            path = self.unix("C:\\users\\root\\" + name)
            self.assertTrue(os.path.isdir(path) and not os.path.islink(path), path)
        code, out = self.run_program("cmd", "/c", "dir", "/b", "C:\\users\\root\\Downloads", timeout=30)
        self.assertEqual(0, code)
        self.assertIn("数据.bin", out.decode("gbk", "replace"))


if __name__ == "__main__":
    unittest.main()
