"""What the walkthrough runs in: an X display, the stand-in server, a fresh
Wine prefix in a folder of the caller's choosing (kept afterwards), the robot,
and the ending of every process it started."""

import os
import re
import shutil
import signal
import subprocess
import threading
import time

from tests.harness.robot import Robot
from tests.harness.server import Server
from tests.harness.wine import (Prefix, Xvfb, base_env, clone_prefix, kill_prefix, prefix_processes,
                          template_prefix)

MARLETT = "/usr/share/wine/fonts/marlett.ttf"
DESKTOP_NAME = "tarnquill"
DESKTOP_SIZE = "1024x768"

# Every program of the prefix joins one virtual desktop, as
# `explorer /desktop=tarnquill,1024x768` would make it, so the robot and the
# program share it and frames and captions are drawn on a bare X server.
VIRTUAL_DESKTOP_REG = """REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="%s"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"%s"="%s"
""" % (DESKTOP_NAME, DESKTOP_NAME, DESKTOP_SIZE)


class KeptPrefix(Prefix):
    """A fresh copy of the build's pristine prefix at <folder>/prefix, which
    stays after the run so the person can look at what was installed."""

    def __init__(self, folder, display, proxy_port):
        # Not Prefix.__init__: that one makes a throw-away folder of its own.
        self.root = os.path.abspath(folder)
        self.path = os.path.join(self.root, "prefix")
        self.env = base_env(self.path, display, os.path.join(self.root, "no-home"))
        self.env["http_proxy"] = "http://127.0.0.1:%d" % proxy_port
        self.procs = []
        self.ended = False
        self._seq = 0
        self._make_fresh()

    def _make_fresh(self):
        os.makedirs(self.root, exist_ok=True)
        if os.path.isdir(self.path):
            kill_prefix(self.path, self.env)  # a run that was cut short
            shutil.rmtree(self.path)
        for name in os.listdir(self.root):
            if re.fullmatch(r"out-\d+\.txt", name):
                os.remove(os.path.join(self.root, name))
        clone_prefix(template_prefix(), self.path)

    def use_virtual_desktop(self):
        reg = os.path.join(self.root, "virtual-desktop.reg")
        with open(reg, "w", encoding="ascii") as f:
            f.write(VIRTUAL_DESKTOP_REG)
        code, out = self.run("reg", "import", self.dos(reg), timeout=60)
        if code != 0:
            raise RuntimeError("reg import failed (%d): %s" % (code, out.decode(errors="replace")))

    def add_window_fonts(self):
        """Wine's own Marlett (Debian's fonts-wine), where Wine looks for it:
        without it the caption buttons are drawn as the letters 0, 1 and r."""
        if os.path.exists(MARLETT):
            fonts = self.unix("C:\\windows\\Fonts")
            os.makedirs(fonts, exist_ok=True)
            shutil.copy(MARLETT, fonts)

    def own_processes(self):
        """{pid: command line} of every process running in this prefix."""
        return prefix_processes(self.path)

    def unix_processes(self, name):
        """Command lines of this prefix's processes running `name`."""
        return [c for c in self.own_processes().values() if name.lower() in c.lower()]

    def end_everything(self, patience=10):
        """wineserver -k, then whatever still runs in the prefix, by pid."""
        self.kill_all()
        deadline = time.monotonic() + patience
        while self.own_processes() and time.monotonic() < deadline:
            time.sleep(0.2)
        for pid in self.own_processes():
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass


class Session:
    """Owns every process of the run; `close` ends them all."""

    def __init__(self, folder, robot_exe, display=None):
        self._xvfb = self.server = self.prefix = self._watchdog = None
        try:
            self._start(folder, robot_exe, display)
        except BaseException:
            self.close()  # what did start ends again
            raise

    def _start(self, folder, robot_exe, display):
        if display is None:
            saved = os.environ.pop("DISPLAY", None)
            try:
                self._xvfb = Xvfb()  # its own X server: headless
            finally:
                if saved is not None:
                    os.environ["DISPLAY"] = saved
            display = self._xvfb.display
        self.display = display
        self.server = Server()
        self.prefix = KeptPrefix(folder, display, self.server.port)
        self.robot = Robot(self.prefix, robot_exe)

    def limit(self, seconds, on_expiry):
        """After `seconds` every process is ended, so any wait still running
        fails at once: no run can hang."""
        def expire():
            on_expiry()
            self.prefix.kill_all()
        self._watchdog = threading.Timer(seconds, expire)
        self._watchdog.daemon = True
        self._watchdog.start()

    def screenshot(self, path):
        env = dict(os.environ, DISPLAY=self.display)
        try:
            subprocess.run(["import", "-window", "root", path], env=env, timeout=30,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        except (OSError, subprocess.SubprocessError):
            return False
        return os.path.exists(path)

    def close(self):
        if self._watchdog is not None:
            self._watchdog.cancel()
        if self.prefix is not None:
            self.prefix.end_everything()
        if self.server is not None:
            self.server.stop()
        if self._xvfb is not None:
            self._xvfb.stop()
