"""The removal, end to end: a copy started from the download folder installs
itself and its shortcuts; with the installed copy's window open, the command
the list of installed programs holds is run: the window closes and the
program, its links, folders and entry are gone, with no process left."""

import glob
import os
import re

from tests.harness import IDYES, IDNO
from tests.e2e.install import test_install as install

ENTRY = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Veltrano"
REMOVE_QUESTION = "确定要从这台电脑上删除 Veltrano 吗？"


class UninstallCase(install.InstallCase):
    def entry_value(self, name):
        """The entry's value as reg.exe reads it, None when there is none."""
        return self.prefix.registry_value(ENTRY, name)

    def installed_with_links(self):
        """Installed, shortcuts accepted, the installed copy's window open."""
        box = self.first_start()
        self.answer(box, IDYES)
        links = self.expected_links()
        self.assert_links_written(links)
        return box.pid, links

    def command(self, value):
        """A command of the entry as Windows runs it: the quoted program, then its switches."""
        match = re.fullmatch(r'"([^"]+)"\s*(.*)', self.entry_value(value) or "")
        self.assertIsNotNone(match, "%s is not a quoted program: %r" % (value, self.entry_value(value)))
        return match.group(1), match.group(2).split()

    def assert_everything_gone(self, links, window_pid):
        sub_folders = [self.folder(csidl) + "\\ Veltrano" for csidl in
                       (install.CSIDL_COMMON_PROGRAMS, install.CSIDL_PROGRAMS)]
        for path in [p for p, _ in links] + sub_folders + [install.INSTALL_FOLDER]:
            with self.subTest(left=path):
                self.assertFalse(self.exists(path), "left: " + path)
        self.assertIsNone(self.entry_value("DisplayName"), "the entry is left")
        # The remover ends only once the copies it closed have ended; its own
        # process may stay in Wine's list a moment after it ended.
        self.assertNotIn(window_pid, [p["pid"] for p in self.programs()])
        self.wait_until(lambda: not self.programs(), 15, message="a process of the program is left")
        # The remover's own image, moved off the install folder, may wait in
        # the temporary folder for its cleaning; nothing else of the program.
        users = self.unix("C:\\users")
        temp = glob.glob(os.path.join(users, "*", "Temp", "tarnquill*")) + \
            glob.glob(os.path.join(users, "*", "AppData", "Local", "Temp", "tarnquill*"))
        self.assertEqual([], [t for t in temp if not t.endswith(".removed")])
        print("left in the temporary folder:", [os.path.basename(t) for t in temp])


class Uninstall(UninstallCase):
    def test_the_entrys_command_answered_yes_closes_the_window_and_removes_everything(self):
        window_pid, links = self.installed_with_links()
        self.assertEqual("Veltrano", self.entry_value("DisplayName"))
        self.assertEqual("5.0.0.0", self.entry_value("DisplayVersion"))
        program, switches = self.command("UninstallString")
        self.assertEqual(install.INSTALLED.lower(), program.lower())
        self.assertEqual(["/uninstall"], switches)

        remover = self.start(program, *switches)
        box = self.robot.wait_box(caption="tarnquill", timeout=30)
        self.assertEqual(REMOVE_QUESTION, box.text)
        self.assertEqual({IDYES, IDNO}, set(box.buttons))
        self.assertEqual(2, len(self.programs()), "no main window of the remover")
        self.answer(box, IDYES)
        self.assertEqual(0, remover.wait(30))
        self.assert_everything_gone(links, window_pid)

    def test_the_quiet_command_asks_nothing_and_ends_with_zero(self):
        window_pid, links = self.installed_with_links()
        program, switches = self.command("QuietUninstallString")
        self.assertEqual(["/uninstall", "/quiet"], switches)
        # A box would wait for an answer that never comes: the wait would end first.
        self.assertEqual(0, self.start(program, *switches).wait(30))
        self.assert_everything_gone(links, window_pid)
