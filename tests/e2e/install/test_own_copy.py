"""A link planted at the machine's install folder, end to end: another user
made C:\\ProgramData\\Veltrano a symbolic link to a folder of theirs holding a
newer program. The downloaded program installs the user's own copy under
their local application data folder instead, and nothing goes through the
link: the program behind it never runs, nothing is written there, and no
shortcut or entry leads through it."""

import os
import unittest

from tests.harness import IDYES
from tests.harness.wine import build_config
from tests.e2e.install import test_install as install
from tests.e2e.install import test_uninstall as uninstall

CSIDL_LOCAL_APPDATA = 28
LINKED = "C:\\Tools\\planted"


class PlantedFolderLink(uninstall.UninstallCase):
    def folder_contents(self, dos_folder):
        return {name: self.read(dos_folder + "\\" + name) for name in self.listdir(dos_folder)}

    def test_the_user_gets_an_own_copy_and_nothing_goes_through_the_link(self):
        self.install_exe(LINKED + "\\tarnquill.exe", variant="5.0.0.1")
        os.symlink(self.unix(LINKED), self.unix(install.INSTALL_FOLDER[:-1]))
        behind = self.folder_contents(LINKED)
        own_folder = self.folder(CSIDL_LOCAL_APPDATA) + "\\Veltrano\\"
        own = own_folder + "tarnquill.exe"

        first = self.start(self.install_exe(install.DOWNLOADED))
        first.wait(60)  # the downloaded copy installs its own copy, starts it and ends
        self.assertEqual(self.read(install.DOWNLOADED), self.read(own))
        box = self.question()
        self.answer(box, IDYES)
        self.robot.wait_for_window(caption="Veltrano " + build_config("TQ_HOST"), cls="#32770", timeout=30)

        # The shortcuts: the marker in the own folder and the user's three,
        # each to the own copy; none of all users'.
        self.assert_links_written([
            (own_folder + " Veltrano4.lnk", own),
            (self.folder(install.CSIDL_DESKTOPDIRECTORY) + "\\ Veltrano.lnk", own[:-4]),
            (self.folder(install.CSIDL_STARTMENU) + "\\ Veltrano.lnk", own),
            (self.folder(install.CSIDL_PROGRAMS) + "\\ Veltrano\\ Veltrano.lnk", own),
        ])
        for csidl, name in ((install.CSIDL_COMMON_STARTMENU, "\\ Veltrano.lnk"),
                            (install.CSIDL_COMMON_PROGRAMS, "\\ Veltrano\\ Veltrano.lnk")):
            self.assertFalse(self.exists(self.folder(csidl) + name))
        self.assertEqual(own_folder[:-1].lower(), (self.entry_value("InstallLocation") or "").lower())
        self.assertIn(own.lower(), (self.entry_value("UninstallString") or "").lower())

        # Nothing through the link: the folder behind it as it was, its
        # program never started (the window of 5.0.0.1 asks for its page).
        self.assertTrue(os.path.islink(self.unix(install.INSTALL_FOLDER[:-1])))
        self.assertEqual(behind, self.folder_contents(LINKED))
        self.assertEqual([], self.server.requests_for("/tarnquill/?software=5.0.0.1"), "the planted program ran")
        self.assertEqual(1, len(self.programs()))
        self.close_program(box.pid)


if __name__ == "__main__":
    unittest.main()
