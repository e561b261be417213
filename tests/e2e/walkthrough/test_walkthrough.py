"""The README's run command as CI sees it: `bash scripts/run.sh` runs headless
against the built programs, and what it prints, exits with and leaves on
disk is what a newcomer would get. This is the one full run of the test
command (scripts/test.sh leaves it to this test); the failure paths start the
walkthrough driver directly, as run.sh does after its build."""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
RUN_COMMAND = ["bash", "scripts/run.sh"]
DRIVER = [sys.executable, "-B", "-m", "scripts.walkthrough"]
STAGES = ["wine prefix", "download start", "self-install", "relaunch", "shortcut question",
          "main window", "shortcuts", "about box", "update offer", "update success", "restart",
          "close"]
SHOTS = ["1-shortcut-question", "2-main-window", "3-about-box", "4-update-offer",
         "5-update-success"]
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != PNG_SIGNATURE:
        return None
    return struct.unpack(">II", head[16:24])


class Walkthrough(unittest.TestCase):
    def setUp(self):
        self.build_dir = os.environ["TQ_BUILD_DIR"]
        runs = os.path.join(self.build_dir, "e2e", "runs")
        os.makedirs(runs, exist_ok=True)
        self.folder = tempfile.mkdtemp(prefix="walkthrough-", dir=runs)
        if os.environ.get("TQ_E2E_KEEP") != "1":
            self.addCleanup(shutil.rmtree, self.folder, True)
        self.prefix = os.path.join(self.folder, "prefix")

    def walk(self, *args, command=DRIVER, limit=400):
        r = subprocess.run(command + ["--build-dir", self.build_dir, "--folder", self.folder]
                           + list(args), cwd=ROOT, capture_output=True, text=True, timeout=limit)
        return r.returncode, r.stdout, r.stderr

    def installed(self, *parts):
        return os.path.join(self.prefix, "drive_c", "ProgramData", "Veltrano", *parts)

    def leftover_processes(self):
        """Processes anywhere on the machine still running in the kept prefix."""
        marker = ("WINEPREFIX=" + self.prefix).encode()
        left = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if marker in f.read().split(b"\0"):
                        left.append(pid)
            except OSError:
                pass
        return left

    def test_every_stage_happens_and_the_summary_tells_what_landed(self):
        docs = os.path.join(self.folder, "docs")
        code, out, err = self.walk("--docs", docs, command=RUN_COMMAND)

        # One progress line per stage, in the order a user meets them.
        progress = re.findall(r"^\[\s*[\d.]+s\] (.+?)\s{2,}", out, re.M)
        before_restart = STAGES.index("restart")
        self.assertEqual(STAGES[:before_restart], progress[:before_restart], out + err)
        tick = float(re.search(r"manifest asked (\d+) s after the installed copy started", out)[1])
        self.assertTrue(15 <= tick <= 30, "the update check came after %s s" % tick)

        # On disk: the released new version installed, the old one kept
        # beside it. The release is Authenticode-signed by the run's test
        # publisher.
        released = os.path.join(self.folder, "update", "tarnquill.exe")
        verify = subprocess.run(["osslsigncode", "verify", "-CAfile",
                                 os.path.join(self.folder, "authenticode", "ca.pem"), "-in", released],
                                capture_output=True, text=True)
        self.assertEqual(0, verify.returncode, verify.stdout + verify.stderr)
        with open(released, "rb") as f:
            new = f.read()
        with open(os.path.join(self.build_dir, "tarnquill.exe"), "rb") as f:
            old = f.read()
        with open(self.installed("tarnquill.exe"), "rb") as f:
            self.assertEqual(new, f.read())
        with open(self.installed("OldExecutable.bak"), "rb") as f:
            self.assertEqual(old, f.read())

        # A full-screen picture per stage, and small copies for the README.
        for name in SHOTS:
            with self.subTest(shot=name):
                self.assertEqual((1024, 768), png_size(os.path.join(self.folder, "shots", name + ".png")))
                small = os.path.join(docs, "walkthrough-%s.png" % name)
                self.assertEqual((1024, 768), png_size(small))
                self.assertLess(os.path.getsize(small), 100 * 1024)
        self.assertEqual([], self.leftover_processes())

        self.assertEqual(0, code, out + err)
        self.assertEqual(STAGES, progress, out)
        summary = out[out.index("== summary =="):]
        self.assertIn("installed at      C:\\ProgramData\\Veltrano\\tarnquill.exe", summary)
        self.assertRegex(summary, r"version before\s+5\.0\.0\.0\n")
        self.assertRegex(summary, r"version after\s+5\.0\.0\.1 ")
        links = re.findall(r"^  (C:\\.+\.lnk) -> (.+)$", summary, re.M)
        self.assertEqual(6, len(links), summary)
        self.assertIn(("C:\\ProgramData\\Veltrano\\ Veltrano4.lnk",
                       "C:\\ProgramData\\Veltrano\\tarnquill.exe"), links)
        self.assertIn("C:\\users\\root\\Desktop\\ Veltrano.lnk", dict(links))
        requests = re.findall(r"GET http://[^/]+(/\S*)\s+\(User-Agent: (.*)\)", summary)
        paths = [path for path, _ in requests]
        for path in ("/tarnquill/?software=5.0", "/tarnquill/update/update.txt",
                     "/tarnquill/update/tarnquill.exe.sig?v=5.0.0.1",
                     "/tarnquill/update/tarnquill.exe?v=5.0.0.1",
                     "/tarnquill/?software=5.0.0.1"):
            self.assertIn(path, paths)
        self.assertEqual({"AutoUpdateAgent"},
                         {agent for path, agent in requests if "/update/" in path})

    def test_a_missing_update_offer_names_the_stage_and_where_to_look(self):
        # The server announces the running version: no offer can come.
        code, out, err = self.walk("--announce", "5.0")
        self.assertEqual(1, code, out + err)
        self.assertIn("FAILED at stage 'update offer': no message box '有新版更新'", err)
        self.assertNotIn("== summary ==", out)
        look = err[err.index("look at:"):]
        for where in ("FAILED-update-offer.png", "server.log", self.prefix):
            self.assertIn(where, look)
        with open(os.path.join(self.folder, "server.log"), encoding="utf-8") as f:
            log = f.read()
        self.assertIn("/tarnquill/update/update.txt", log)
        self.assertNotIn("/tarnquill/update/tarnquill.exe", log)
        self.assertTrue(os.path.exists(self.installed("tarnquill.exe")), "the prefix was not kept")
        self.assertEqual([], self.leftover_processes())

    def test_the_time_limit_ends_the_run_and_every_process(self):
        code, out, err = self.walk("--time-limit", "8", limit=120)
        self.assertEqual(1, code, out + err)
        self.assertIn("time limit of 8 s reached", out)
        self.assertRegex(err, r"FAILED at stage '[a-z -]+': .+")
        self.assertEqual([], self.leftover_processes())


if __name__ == "__main__":
    unittest.main()
