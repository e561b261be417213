"""Self-installation and the shortcut offer, end to end: the real program under
Wine, started from the download folder as a user would, the installed copy it
starts, the question it asks and the links it leaves, read back through the
shell's own link object (the harness's linkinfo helper)."""

import os
import unittest

from tests.harness import E2E, IDYES, IDNO, WM_CLOSE, DOWNLOADS, PROGRAMDATA
from tests.harness.wine import helper

QUESTION = "为了方便你以后继续使用，是否添加一个快捷方式Veltrano到你的桌面和程序？"
INSTALL_FOLDER = PROGRAMDATA + "\\Veltrano\\"
INSTALLED = INSTALL_FOLDER + "tarnquill.exe"
MARKER = INSTALL_FOLDER + " Veltrano4.lnk"
DOWNLOADED = DOWNLOADS + "\\tarnquill.exe"
START_PAGE = "/tarnquill/?software=5.0"

CSIDL_PROGRAMS, CSIDL_STARTMENU, CSIDL_DESKTOPDIRECTORY = 2, 11, 16
CSIDL_COMMON_STARTMENU, CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_DESKTOPDIRECTORY = 22, 23, 25


class InstallCase(E2E):
    def setUp(self):
        super().setUp()
        self.linkinfo = helper("linkinfo.exe")
        # A manifest that announces nothing newer keeps the timer's check silent.
        self.server.route("/tarnquill/update/update.txt", body=b"5.0")
        self.server.route("/tarnquill/*", body=b"<html>start</html>")

    # -- the shell, asked through linkinfo ----------------------------------
    def folder(self, csidl):
        code, out = self.prefix.run(self.linkinfo, "--folder", str(csidl), timeout=30)
        self.assertEqual(0, code, "no special folder %d" % csidl)
        return out.decode("gbk").strip()

    def link(self, dos_path):
        """The link's target and arguments once the shell loads it: the
        program writes its links after the answer, while the test goes on,
        so a link may be missing or half written at the first look."""
        def loaded():
            if not self.exists(dos_path):
                return None
            code, out = self.prefix.run(self.linkinfo, dos_path, timeout=30)
            return out if code == 0 else None
        out = self.wait_until(loaded, 30, interval=0.5, message="cannot load " + dos_path)
        fields = dict(line.split("=", 1) for line in out.decode("gbk").splitlines() if "=" in line)
        return fields.get("target"), fields.get("args")

    def expected_links(self):
        """The five links of a Yes with their targets, the marker first."""
        desktop_target = INSTALLED[:-4]  # the module path less its last four characters
        common_menu = self.folder(CSIDL_COMMON_STARTMENU)
        user_menu = self.folder(CSIDL_STARTMENU)
        return [
            (MARKER, INSTALLED),
            (self.folder(CSIDL_DESKTOPDIRECTORY) + "\\ Veltrano.lnk", desktop_target),
            (common_menu + "\\ Veltrano.lnk", INSTALLED),
            (self.folder(CSIDL_COMMON_PROGRAMS) + "\\ Veltrano\\ Veltrano.lnk", INSTALLED),
            (user_menu + "\\ Veltrano.lnk", INSTALLED),
            (self.folder(CSIDL_PROGRAMS) + "\\ Veltrano\\ Veltrano.lnk", INSTALLED),
        ]

    def assert_links_written(self, links):
        for path, target in links:
            with self.subTest(link=path):
                got_target, got_args = self.link(path)
                self.assertEqual(target.lower(), (got_target or "").lower())
                self.assertEqual("", got_args)

    def no_links(self):
        return not any(self.exists(path) for path, _ in self.expected_links())

    # -- processes -------------------------------------------------------------
    def programs(self):
        return [p for p in self.robot.procs() if p["exe"].lower() == "tarnquill.exe"]

    def close_program(self, pid):
        for w in self.robot.windows(pid=pid):
            if w.cls == "#32770":
                self.robot.post(w.hwnd, WM_CLOSE)
        self.wait_until(lambda: all(p["pid"] != pid for p in self.programs()), 15,
                        message="program %d did not end after WM_CLOSE" % pid)

    def question(self, timeout=40, caption="tarnquill"):
        box = self.robot.wait_box(caption=caption, timeout=timeout)
        self.assertEqual(QUESTION, box.text)
        self.assertEqual({IDYES, IDNO}, set(box.buttons))
        return box

    def answer(self, box, button):
        self.robot.answer(box, button)
        self.robot.wait_gone(box.hwnd, timeout=10)

    def start_installed_copy(self):
        """A later start of the installed copy, as from a shortcut."""
        before = len(self.server.requests_for(START_PAGE))
        proc = self.start(INSTALLED)
        self.server.wait_for_request(START_PAGE, timeout=30, count=before + 1)
        return proc

    def first_start(self):
        """Downloaded program started: it installs, ends, and the installed copy asks."""
        exe = self.install_exe(DOWNLOADED)
        first = self.start(exe)
        first.wait(60)  # the first process ends by itself
        self.assertEqual(self.read(DOWNLOADED), self.read(INSTALLED))
        box = self.question()
        # Both processes navigate before the installation step, and the
        # launcher may end after the copy has asked: only later starts of
        # the installed copy can be told apart (start_installed_copy).
        self.server.wait_for_request(START_PAGE, timeout=20)
        return box


class FirstStart(InstallCase):
    def test_installs_asks_and_yes_writes_marker_and_five_links(self):
        box = self.first_start()
        self.assertEqual(1, len(self.programs()))
        self.answer(box, IDYES)

        links = self.expected_links()
        self.assert_links_written(links)
        self.assertEqual([" Veltrano.lnk"], self.listdir(self.folder(CSIDL_COMMON_PROGRAMS) + "\\ Veltrano"))
        # Nothing on the all-users desktop, nothing directly in a programs folder.
        self.assertFalse(self.exists(self.folder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\ Veltrano.lnk"))
        self.assertFalse(self.exists(self.folder(CSIDL_PROGRAMS) + "\\ Veltrano.lnk"))
        self.close_program(box.pid)

        # The marker keeps the question away at the next start.
        proc = self.start_installed_copy()
        self.robot.no_box(caption="tarnquill", within=4)
        pid = self.programs()[0]["pid"]
        self.close_program(pid)
        proc.wait(15)

        # Without the marker the question is back, and Yes writes every row again.
        os.remove(self.unix(MARKER))
        os.remove(self.unix(links[1][0]))
        os.remove(self.unix(links[3][0]))
        self.start_installed_copy()
        box = self.question(timeout=20)
        self.answer(box, IDYES)
        self.assert_links_written(links)
        self.close_program(box.pid)

    def test_no_writes_nothing_and_the_next_start_asks_again(self):
        box = self.first_start()
        self.answer(box, IDNO)
        sub_folder = self.folder(CSIDL_PROGRAMS) + "\\ Veltrano"
        self.holds_for(lambda: self.listdir(INSTALL_FOLDER) == ["tarnquill.exe"] and self.no_links()
                       and not self.exists(sub_folder), 3, message="No wrote a link or the marker")
        # The window stays after the answer; closing it ends the program.
        self.close_program(box.pid)

        self.start_installed_copy()
        box = self.question(timeout=20)
        self.answer(box, IDNO)
        self.assertTrue(self.no_links())
        self.close_program(box.pid)


class InstalledCopyPresent(InstallCase):
    def test_newer_installed_copy_is_kept_and_the_older_download_offers(self):
        self.install_exe(INSTALLED, variant="5.0.0.1")
        newer = self.read(INSTALLED)
        proc = self.start(self.install_exe(DOWNLOADED))
        box = self.question()
        self.assertEqual(newer, self.read(INSTALLED))
        self.holds_for(lambda: len(self.programs()) == 1, 2, message="another copy was started")
        self.answer(box, IDNO)
        self.assertTrue(proc.running(), "the download-folder copy keeps its window")
        self.close_program(box.pid)
        proc.wait(15)

    def test_a_download_of_another_name_links_the_installed_program(self):
        # A browser saves a second download as "tarnquill (1).exe".
        self.install_exe(INSTALLED)
        proc = self.start(self.install_exe(DOWNLOADS + "\\tarnquill (1).exe"))
        box = self.question(caption="tarnquill (1)")  # the running file's name
        self.answer(box, IDYES)
        self.assert_links_written(self.expected_links())
        self.assertEqual([" Veltrano4.lnk", "tarnquill.exe"], sorted(self.listdir(INSTALL_FOLDER)))
        self.close_program(box.pid)
        proc.wait(15)

    def test_a_newer_program_hard_linked_in_is_never_run_written_or_linked(self):
        # Another name of a newer program, made the installed copy's name: it
        # is not the program's own, whatever its bytes.
        tool = "C:\\Tools\\newer.exe"
        self.install_exe(tool, variant="5.0.0.1")
        newer = self.read(tool)
        os.makedirs(self.unix(INSTALL_FOLDER), exist_ok=True)
        os.link(self.unix(tool), self.unix(INSTALLED))
        box = self.first_start()
        self.answer(box, IDYES)
        self.assert_links_written(self.expected_links())
        self.assertEqual(self.read(DOWNLOADED), self.read(INSTALLED))
        self.assertEqual(1, os.stat(self.unix(INSTALLED)).st_nlink)
        self.assertEqual(newer, self.read(tool), "written through the other name")
        self.assertEqual(1, os.stat(self.unix(tool)).st_nlink)
        self.assertEqual([], self.server.requests_for("/tarnquill/?software=5.0.0.1"), "the newer program ran")
        self.assertEqual(1, len(self.programs()))
        self.close_program(box.pid)

    def test_running_installed_copy_is_started_instead_of_overwritten(self):
        self.install_exe(INSTALLED)
        self.write(MARKER, b"marker")  # only its existence counts: no question
        installed_bytes = self.read(INSTALLED)
        self.start_installed_copy()
        self.assertEqual(1, len(self.programs()))
        first_pid = self.programs()[0]["pid"]

        newer = self.start(self.install_exe(DOWNLOADED, variant="5.0.0.1"))
        newer.wait(60)  # the newer copy's window closes and its process ends
        self.assertEqual(installed_bytes, self.read(INSTALLED))
        # The installed copy was started once more, from the install folder.
        self.wait_until(lambda: len(self.programs()) == 2, 20,
                        message="the installed copy was not started")
        self.robot.no_box(caption="tarnquill", within=3)
        for p in self.programs():
            self.close_program(p["pid"])
        self.assertNotIn(first_pid, [p["pid"] for p in self.programs()])

    def test_installed_copy_without_version_data_settles_at_the_offer(self):
        first = self.start(self.install_exe(DOWNLOADED, variant="noversion"))
        first.wait(60)
        self.assertEqual(self.read(DOWNLOADED), self.read(INSTALLED))
        # The installed copy finds no installed version, yet it does not
        # install over itself and start itself again: it asks.
        box = self.question()
        self.holds_for(lambda: [box.pid] == [p["pid"] for p in self.programs()], 3,
                       message="the installed copy started another copy")
        self.answer(box, IDNO)
        self.close_program(box.pid)


if __name__ == "__main__":
    unittest.main()
