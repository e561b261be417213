"""The stages of one walkthrough: a new user's first start of the downloaded
program, its self-installation and shortcut offer, the page, the About box,
the update 20 seconds after the start and the restart into the new version."""

import os
import shutil
import subprocess
import time

from tests.harness import signing
from tests.harness.robot import IDOK, IDYES, WM_CLOSE, WM_SYSCOMMAND, RobotError

from . import files
from . import standin as stand_in

DOWNLOADED = "C:\\users\\root\\Downloads\\tarnquill.exe"
FOLDER = "C:\\ProgramData\\Veltrano"
INSTALLED = FOLDER + "\\tarnquill.exe"
BACKUP = FOLDER + "\\OldExecutable.bak"
MARKER = FOLDER + "\\ Veltrano4.lnk"

SHORTCUT_CAPTION = "tarnquill"
SHORTCUT_TEXT = "为了方便你以后继续使用，是否添加一个快捷方式Veltrano到你的桌面和程序？"
OFFER_CAPTION = "有新版更新"
SUCCESS_CAPTION = "更新成功！"
FAILURE_CAPTION = "更新失败！"
ABOUT_CAPTION = "关于 Brimwold"
DIALOG_CLASS = "#32770"
IDM_ABOUTBOX = 0x10


class StageFailed(Exception):
    def __init__(self, stage, what):
        super().__init__(what)
        self.stage = stage
        self.what = what


class Walkthrough:
    """Runs the stages in order; `interactive` leaves every prompt to the
    person at the display (with longer waits) and takes no screenshots."""

    def __init__(self, session, build, shots, interactive, announced, say):
        self.s = session
        self.build = build
        self.shots = shots
        self.interactive = interactive
        self.announced = announced
        self.say = say
        self.stage = "start"
        self.answer_wait = 600 if interactive else 0
        self.facts = {"shots": []}
        self.caption = "Veltrano " + build.host

    # -- helpers ------------------------------------------------------------
    def begin(self, stage):
        self.stage = stage

    def done(self, detail):
        self.say("[%5.1fs] %-18s %s" % (time.monotonic() - self.t0, self.stage, detail))

    def fail(self, what):
        raise StageFailed(self.stage, what)

    def wait_until(self, predicate, timeout, what):
        deadline = time.monotonic() + timeout
        while True:
            value = predicate()
            if value:
                return value
            if self.s.prefix.ended:
                self.fail("%s: the run's time limit ended every process" % what)
            if time.monotonic() >= deadline:
                self.fail("%s (waited %d s)" % (what, timeout))
            time.sleep(0.25)

    def robot(self, call, *args, **kw):
        try:
            return call(*args, **kw)
        except RobotError as e:
            self.fail(str(e))

    def shoot(self, name):
        if self.interactive:
            return
        time.sleep(1.0)  # the box's first paint
        path = os.path.join(self.shots, name + ".png")
        if not self.s.screenshot(path):
            self.fail("no screenshot could be saved to " + path)
        self.facts["shots"].append(path)

    def answer_yes(self, box):
        """The robot presses Yes; interactively the person answers."""
        if not self.interactive:
            self.robot(self.s.robot.answer, box, IDYES)
        self.robot(self.s.robot.wait_gone, box.hwnd, timeout=15 + self.answer_wait)

    def read(self, dos_path):
        try:
            with open(self.s.prefix.unix(dos_path), "rb") as f:
                return f.read()
        except OSError:
            return None

    def box(self, caption, timeout):
        """The next message box, which must be the one with this caption: any
        other (the update's failure message, say) fails the stage with its text."""
        timeout += self.answer_wait
        try:
            box = self.s.robot.wait_box(timeout=timeout)
        except RobotError as e:
            self.fail("no message box %r within %d s (%s)" % (caption, timeout, str(e)[:300]))
        if box.caption != caption:
            self.fail("a message box %r appeared instead: %r" % (box.caption, box.text))
        return box

    # -- the run ------------------------------------------------------------
    def run(self):
        self.t0 = time.monotonic()
        update_dir = self.release()
        old = self.build.image("main")
        with open(os.path.join(update_dir, "tarnquill.exe"), "rb") as f:
            new = f.read()
        stand_in.publish(self.s.server, self.announced, update_dir, ["5.0", "5.0.0.1"])
        self.prepare()
        if self.interactive:
            self.say("answer each question in the tarnquill desktop window as it comes; "
                     "Yes goes on to the next stage")
        self.first_start(old)
        self.shortcut_offer()
        self.main_window()
        self.about_box()  # well before the update check's tick
        self.update_offer()
        self.success_question(old, new)
        self.restart()
        self.close_program()

    def release(self):
        """The 5.0.0.1 build as the maker publishes it: the release step signs
        it for Windows (Authenticode, with a certificate of a test authority
        made now in <folder>/authenticode) and for the update (with the test
        key) into <folder>/update."""
        self.begin("release")
        out = os.path.join(self.s.prefix.root, "update")
        certs = os.path.join(self.s.prefix.root, "authenticode")
        try:
            shutil.rmtree(certs, ignore_errors=True)
            pfx = signing.TestCA(certs).pfx("publisher", password="TEST-ONLY")
            signing.release(self.build.paths["5.0.0.1"], out, pfx=pfx, password="TEST-ONLY")
        except (OSError, subprocess.CalledProcessError) as e:
            self.fail("the release step failed: %s" % e)
        self.say("release step: the 5.0.0.1 build, Authenticode-signed by a test publisher"
                 " and signed for the update, in %s" % out)
        return out

    def prepare(self):
        self.begin("wine prefix")
        try:
            self.s.prefix.use_virtual_desktop()
            self.s.prefix.add_window_fonts()
        except Exception as e:  # noqa: BLE001 - any failure here is this stage's
            self.fail(str(e))
        self.done("fresh prefix %s, virtual desktop tarnquill 1024x768" % self.s.prefix.path)

    def first_start(self, old):
        self.begin("download start")
        unix = self.s.prefix.unix(DOWNLOADED)
        os.makedirs(os.path.dirname(unix), exist_ok=True)
        with open(unix, "wb") as f:
            f.write(old)
        # As Explorer starts a double-clicked file: in the file's own folder.
        first = self.s.prefix.start(DOWNLOADED, cwd=os.path.dirname(unix))
        self.done("started %s" % DOWNLOADED)

        self.begin("self-install")
        self.wait_until(lambda: self.read(INSTALLED) == old, 60,
                        "no copy of the program appeared at " + INSTALLED)
        try:
            first.wait(60)
        except Exception:  # noqa: BLE001 - subprocess.TimeoutExpired
            self.fail("the downloaded copy did not end after installing itself")
        self.facts["version_before"] = files.file_version(self.s.prefix.unix(INSTALLED))
        self.done("%s written (version %s); the downloaded copy ended"
                  % (INSTALLED, self.facts["version_before"]))

        self.begin("relaunch")
        running = self.wait_until(
            lambda: [c for c in self.s.prefix.unix_processes("tarnquill.exe")
                     if INSTALLED.lower() in c.lower()], 30,
            "no process of %s was started" % INSTALLED)
        self.relaunched_at = time.monotonic()
        self.done("running: %s" % running[0])

    def shortcut_offer(self):
        self.begin("shortcut question")
        box = self.box(SHORTCUT_CAPTION, 40)
        if box.text != SHORTCUT_TEXT:
            self.fail("the question reads %r" % box.text)
        self.shoot("1-shortcut-question")
        self.done("%r: %s" % (box.caption, box.text))
        self.answer_yes(box)

    def main_window(self):
        self.begin("main window")
        window = self.robot(self.s.robot.wait_for_window, caption=self.caption,
                            cls=DIALOG_CLASS, timeout=30)
        self.shown_at = time.monotonic()
        self.page_request(stand_in.START_PAGE + "5.0")
        self.window = window
        self.shoot("2-main-window")
        self.done("%r shown; the browser asked for %s5.0" % (window.caption, stand_in.START_PAGE))

        # The window shows once its initialisation, shortcuts included, is over.
        self.begin("shortcuts")
        if self.read(MARKER) is None:
            self.fail("no marker %s: the shortcuts were not written" % MARKER)
        links = files.shortcuts(self.s.prefix)
        if len(links) < 6:
            self.fail("only %d of the marker and five shortcuts: %s" % (len(links), links))
        self.facts["links"] = links
        self.done("the marker and %d shortcuts written" % (len(links) - 1))

    def page_request(self, path):
        server = self.s.server
        self.wait_until(lambda: server.requests_for(path), 30,
                        "the stand-in server saw no request for " + path)

    def update_offer(self):
        self.begin("update offer")
        server = self.s.server
        # The installed copy's own 20 s timer, not a nudge: the real tick.
        self.wait_until(lambda: server.requests_for(stand_in.MANIFEST), 45,
                        "the program never asked for the manifest %s" % stand_in.MANIFEST)
        asked = server.requests_for(stand_in.MANIFEST)[0].time - self.relaunched_at
        box = self.box(OFFER_CAPTION, 20)
        self.facts["tick"] = asked
        self.shoot("4-update-offer")
        self.done("manifest asked %.0f s after the installed copy started; %r: %s"
                  % (asked, box.caption, box.text))
        self.answer_yes(box)

    def success_question(self, old, new):
        self.begin("update success")
        box = self.box(SUCCESS_CAPTION, 60)
        if self.read(INSTALLED) != new:
            self.fail("%s is not the downloaded executable" % INSTALLED)
        if self.read(BACKUP) != old:
            self.fail("the old executable was not kept as %s" % BACKUP)
        self.facts["version_after"] = files.file_version(self.s.prefix.unix(INSTALLED))
        self.shoot("5-update-success")
        self.done("%r: %s" % (box.caption, box.text))
        self.answer_yes(box)

    def restart(self):
        self.begin("restart")
        self.robot(self.s.robot.wait_gone, self.window.hwnd, timeout=20)
        self.wait_until(lambda: self.s.prefix.unix_processes("tarnquill.exe"), 30, "no program was started after the old window closed")
        others = [c for c in self.s.prefix.unix_processes("tarnquill.exe")
                  if INSTALLED.lower() not in c.lower()]
        if others:
            self.fail("the restart started %s, "
                      "not the updated %s" % (others[0], INSTALLED))
        self.page_request(stand_in.START_PAGE + "5.0.0.1")
        self.window = self.robot(self.s.robot.wait_for_window, caption=self.caption,
                                 cls=DIALOG_CLASS, timeout=30)
        self.done("the old window closed; version %s runs and asked for %s5.0.0.1"
                  % (self.facts["version_after"], stand_in.START_PAGE))

    def about_box(self):
        self.begin("about box")
        # The About item of the system menu, as the user would pick it.
        self.robot(self.s.robot.post, self.window.hwnd, WM_SYSCOMMAND, IDM_ABOUTBOX)
        about = self.robot(self.s.robot.wait_for_window, caption=ABOUT_CAPTION,
                           cls=DIALOG_CLASS, timeout=15)
        self.shoot("3-about-box")
        if not self.interactive:
            self.robot(self.s.robot.press, about.hwnd, IDOK)
        self.robot(self.s.robot.wait_gone, about.hwnd, timeout=15 + self.answer_wait)
        self.done("%r opened from the system menu and closed" % about.caption)

    def close_program(self):
        self.begin("close")
        self.robot(self.s.robot.post, self.window.hwnd, WM_CLOSE)
        self.robot(self.s.robot.wait_gone, self.window.hwnd, timeout=15)
        self.wait_until(lambda: not self.s.prefix.unix_processes("tarnquill.exe"), 15,
                        "tarnquill.exe still runs after its window closed")
        self.done("the window closed and the program ended")
