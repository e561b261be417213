"""E2E: the TestCase every end-to-end test derives from."""

import os
import re
import shutil
import subprocess
import threading
import time
import unittest

from .robot import Robot
from .server import Server
from .wine import Prefix, Xvfb, HarnessError, e2e_dir, helper

DOWNLOADS = "C:\\users\\root\\Downloads"
PROGRAMDATA = "C:\\ProgramData"
DESKTOP = "C:\\users\\root\\Desktop"
TEMP = "C:\\users\\root\\Temp"

VARIANTS = {"main": "TQ_EXE", "5.0.0.1": "TQ_EXE_5001", "noversion": "TQ_EXE_NOVERSION",
            "broken": "TQ_EXE_BROKEN", "https": "TQ_EXE_HTTPS"}


def _env_path(name):
    path = os.environ.get(name)
    if not path:
        raise HarnessError("%s is not set: run through ctest or export it" % name)
    if not os.path.exists(path):
        raise HarnessError("%s=%s does not exist: build first" % (name, path))
    return path


class E2E(unittest.TestCase):
    VIRTUAL_DESKTOP = False
    TIMEOUT = 120

    def setUp(self):
        self._timed_out = False
        self._timer = threading.Timer(self.TIMEOUT, self._time_out)
        self._timer.daemon = True
        self._xvfb = Xvfb()
        self.addCleanup(self._xvfb.stop)
        self.server = Server()
        self.addCleanup(self.server.stop)
        name = re.sub(r"[^A-Za-z0-9_]+", "_", self.id().split(".", 1)[-1])[:60]
        self.prefix = Prefix(name, display=self._xvfb.display, proxy_port=self.server.port)
        self.addCleanup(self._finish_prefix)
        self.robot = Robot(self.prefix, helper("robot.exe"))
        if self.VIRTUAL_DESKTOP:
            self._use_virtual_desktop()
        self._timer.start()

    def _use_virtual_desktop(self):
        key = "HKCU\\Software\\Wine\\Explorer"
        self.prefix.run("reg", "add", key, "/v", "Desktop", "/d", "Default", "/f", timeout=30)
        self.prefix.run("reg", "add", key + "\\Desktops", "/v", "Default", "/d", "1024x768", "/f",
                        timeout=30)

    def _time_out(self):
        # The picture first, while the windows are still there; the waits in
        # progress fail once the processes are gone.
        self._timed_out = True
        self._failure_shot()
        self.prefix.kill_all()

    def _failure_shot(self):
        if getattr(self, "_shot_taken", False):
            return
        self._shot_taken = True
        try:
            self.screenshot("FAILED-" + self.id())
        except Exception:
            pass

    def _failed(self):
        outcome = getattr(self, "_outcome", None)
        if self._timed_out or outcome is None:
            return self._timed_out
        if not getattr(outcome, "success", True):
            return True
        result = getattr(outcome, "result", None)
        reported = list(getattr(result, "failures", [])) + list(getattr(result, "errors", []))
        return any(test is self for test, _ in reported)

    def _finish_prefix(self):
        # A time-out in progress finishes first, so nothing of Wine starts up
        # again in a prefix that is being removed.
        self._timer.cancel()
        if self._timer.is_alive():
            self._timer.join(timeout=60)
        if self._failed():
            self._failure_shot()
        self.prefix.kill_all()
        if self._timed_out:
            print("test ran into its %ss limit; every process was ended" % self.TIMEOUT)
        if os.environ.get("TQ_E2E_KEEP") != "1":
            self.prefix.remove()

    # -- programs -----------------------------------------------------------
    def exe(self, variant="main"):
        if variant not in VARIANTS:
            raise ValueError("variant is one of %r" % list(VARIANTS))
        return _env_path(VARIANTS[variant])

    def install_exe(self, dos_path, variant="main"):
        with open(self.exe(variant), "rb") as f:
            self.write(dos_path, f.read())
        return dos_path

    def start(self, program, *args, cwd=None):
        return self.prefix.start(program, *args, cwd=cwd)

    def run_program(self, program, *args, timeout=60):
        return self.prefix.run(program, *args, timeout=timeout)

    # -- files in the prefix ---------------------------------------------
    def unix(self, dos_path):
        return self.prefix.unix(dos_path)

    def dos(self, unix_path):
        return self.prefix.dos(unix_path)

    def exists(self, dos_path):
        return os.path.exists(self.unix(dos_path))

    def read(self, dos_path):
        with open(self.unix(dos_path), "rb") as f:
            return f.read()

    def write(self, dos_path, data):
        path = self.unix(dos_path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data if isinstance(data, bytes) else data.encode("gbk"))

    def listdir(self, dos_path):
        path = self.unix(dos_path)
        return sorted(os.listdir(path)) if os.path.isdir(path) else []

    # -- waiting and looking ------------------------------------------------
    def wait_until(self, predicate, timeout, interval=0.2, message=""):
        deadline = time.monotonic() + timeout
        while True:
            value = predicate()
            if value:
                return value
            if time.monotonic() >= deadline:
                self.fail(message or "condition not met within %ss" % timeout)
            time.sleep(interval)

    def holds_for(self, predicate, seconds, interval=0.2, message=""):
        """Watches that something stays true (nothing else starts, no second
        request comes) for the whole of a bounded time, failing at the first
        look that finds it false: for what a program must not do, where
        there is no event to wait for."""
        deadline = time.monotonic() + seconds
        while True:
            if not predicate():
                self.fail(message or "condition broke within %ss" % seconds)
            if time.monotonic() >= deadline:
                return
            time.sleep(interval)

    def wine_processes(self):
        return self.robot.procs()

    def screenshot(self, name):
        if not shutil.which("import"):
            return None
        safe = re.sub(r"[^A-Za-z0-9_.-]+", "_", name)
        path = os.path.join(e2e_dir("shots"), safe + ".png")
        env = dict(os.environ, DISPLAY=self.prefix.env["DISPLAY"])
        subprocess.run(["import", "-window", "root", path], env=env, timeout=20,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path if os.path.exists(path) else None
