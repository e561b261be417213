"""Python side of helpers/robot (robot.exe): each call is one Wine process in the
test's prefix that prints JSON lines. Waits poll inside the robot, so one
wait costs one process start; every call has a hard timeout."""

import json
import subprocess
import sys
import tempfile

from .wine import wine_command

IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7
WM_SIZE = 0x0005
WM_CLOSE = 0x0010
WM_KEYDOWN = 0x0100
WM_COMMAND = 0x0111
WM_SYSCOMMAND = 0x0112
SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE = 0xF020, 0xF030, 0xF120
VK_RETURN, VK_ESCAPE = 0x0D, 0x1B
SLACK = 20  # seconds on top of a robot's own wait before it is killed


class RobotError(AssertionError):
    pass


class Window:
    def __init__(self, d):
        self.hwnd = d["hwnd"]
        self.cls = d.get("class", "")
        self.caption = d.get("caption", "")
        self.pid = d.get("pid", 0)
        self.rect = tuple(d.get("rect", (0, 0, 0, 0)))
        self.visible = d.get("visible", False)
        self.owner = d.get("owner", 0)
        self.raw = d

    def __repr__(self):
        return "<Window 0x%x %r %r pid=%d>" % (self.hwnd, self.cls, self.caption, self.pid)


class Box(Window):
    def __init__(self, d):
        super().__init__(d)
        self.text = d.get("text", "")
        self.buttons = {b["id"]: b["text"] for b in d.get("buttons", [])}

    def __repr__(self):
        return "<Box 0x%x %r %r buttons=%r>" % (self.hwnd, self.caption, self.text, self.buttons)


class Child:
    def __init__(self, d):
        self.hwnd = d["hwnd"]
        self.id = d.get("id", 0)
        self.cls = d.get("class", "")
        self.text = d.get("text", "")
        self.rect = tuple(d.get("rect", (0, 0, 0, 0)))
        self.rect_in_parent = tuple(d.get("rect_in_parent", (0, 0, 0, 0)))
        self.client = tuple(d.get("client", (0, 0)))
        self.visible = d.get("visible", False)

    def __repr__(self):
        return "<Child 0x%x id=%d %r>" % (self.hwnd, self.id, self.cls)


class Robot:
    # Subcommands that always print a line when they work.
    ANSWERING = ("wait-window", "wait-box", "wait-gone", "send", "info", "drop-files")
    # Subcommands that only look.
    READING = ("list", "procs", "wait-window", "wait-box", "wait-gone", "info", "children")

    def __init__(self, prefix, exe):
        self.prefix = prefix
        self.exe = exe

    def _call(self, *args, wait=0, ok_codes=(0,)):
        code, text = self._run(args, wait)
        if code not in ok_codes and not text and args[0] in self.READING:
            # Seen once under load: the Wine process ended with 1 before the
            # robot's main ran (nothing printed). Reading is safe to repeat.
            sys.stderr.write("robot %s printed nothing (exit %d); once more\n" % (args[0], code))
            code, text = self._run(args, wait)
        lines = [json.loads(l) for l in text.splitlines() if l.startswith("{")]
        if self.prefix.ended:
            raise RobotError("robot %s: the test's processes were ended (time limit)"
                             % " ".join(map(str, args)))
        if code not in ok_codes or not lines and args[0] in self.ANSWERING:
            raise RobotError("robot %s failed (%d): %s" % (" ".join(map(str, args)), code, text[-1000:]))
        return code, lines

    def _run(self, args, wait):
        argv = wine_command() + [self.exe] + [str(a) for a in args]
        # Output goes to a file: Wine's helper processes may inherit a pipe
        # and keep it open long after the robot has ended.
        with tempfile.TemporaryFile(dir=self.prefix.root) as out:
            proc = subprocess.Popen(argv, env=self.prefix.env, cwd=self.prefix.drive_c,
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                    start_new_session=True)
            try:
                code = proc.wait(timeout=wait + SLACK)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
                raise RobotError("robot %s did not finish in %ss"
                                 % (" ".join(map(str, args)), wait + SLACK))
            out.seek(0)
            return code, out.read().decode("utf-8", "replace")

    # -- finding windows ------------------------------------------------------
    def windows(self, caption=None, cls=None, pid=None, visible_only=True):
        _, lines = self._call("list", "--all")
        found = [Window(d) for d in lines]
        return [w for w in found
                if (caption is None or w.caption == caption)
                and (cls is None or w.cls == cls)
                and (pid is None or w.pid == pid)
                and (w.visible or not visible_only)]

    def wait_for_window(self, caption=None, cls=None, timeout=10):
        args = ["wait-window", "--timeout", timeout]
        if caption is not None:
            args += ["--caption", caption]
        if cls is not None:
            args += ["--class", cls]
        code, lines = self._call(*args, wait=timeout, ok_codes=(0, 2))
        if code == 2:
            raise RobotError("no window caption=%r class=%r within %ss; windows: %r"
                             % (caption, cls, timeout, self.windows(visible_only=False)))
        return Window(lines[0])

    def wait_box(self, caption=None, timeout=10, exclude=()):
        args = ["wait-box", "--timeout", timeout]
        if caption is not None:
            args += ["--caption", caption]
        for h in exclude:
            args += ["--exclude", h]
        code, lines = self._call(*args, wait=timeout, ok_codes=(0, 2))
        if code == 2:
            raise RobotError("no message box caption=%r within %ss; windows: %r"
                             % (caption, timeout, self.windows(visible_only=False)))
        return Box(lines[0])

    def no_box(self, caption=None, within=3):
        args = ["wait-box", "--timeout", within]
        if caption is not None:
            args += ["--caption", caption]
        code, lines = self._call(*args, wait=within, ok_codes=(0, 2))
        if code == 0:
            raise RobotError("unexpected message box: %r" % Box(lines[0]))

    def wait_gone(self, hwnd, timeout=10):
        code, _ = self._call("wait-gone", hwnd, "--timeout", timeout, wait=timeout, ok_codes=(0, 2))
        if code == 2:
            raise RobotError("window 0x%x still there after %ss" % (hwnd, timeout))

    # -- acting -------------------------------------------------------------
    def answer(self, box, button):
        hwnd = box.hwnd if hasattr(box, "hwnd") else box
        self.press(hwnd, button)

    def press(self, hwnd, ident):
        self._call("press", hwnd, ident)

    def post(self, hwnd, msg, wparam=0, lparam=0):
        self._call("post", hwnd, msg, wparam, lparam)

    def send(self, hwnd, msg, wparam=0, lparam=0, timeout=10):
        _, lines = self._call("send", hwnd, msg, wparam, lparam, "--timeout", timeout, wait=timeout)
        return lines[0]["result"]

    def send_key(self, hwnd, vk):
        self._call("send-key", hwnd, vk)

    def drop_files(self, hwnd, dos_paths):
        if isinstance(dos_paths, str):
            dos_paths = [dos_paths]
        _, lines = self._call("drop-files", hwnd, *dos_paths)
        return lines[0]

    # -- looking --------------------------------------------------------------
    def children(self, hwnd):
        _, lines = self._call("children", hwnd)
        return [Child(d) for d in lines]

    def info(self, hwnd):
        _, lines = self._call("info", hwnd)
        return lines[0]

    def sysmenu(self, hwnd):
        _, lines = self._call("sysmenu", hwnd)
        return [(d["id"], d["text"]) for d in lines]

    def procs(self):
        _, lines = self._call("procs")
        return lines
