"""The silent installation a management tool runs, end to end. Every process
under Wine is an elevated administrator, so "/install /quiet" from the
download folder installs for every user: no window or box at any time,
exit code 0, the installed copy, all users' links, the machine's entry with
its quiet removal; the first start asks nothing; the entry's quiet command
removes everything."""

import re

from tests.e2e.install import test_install as install
from tests.e2e.install.test_uninstall import UninstallCase

MACHINE_ENTRY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Veltrano"


class SilentInstallation(UninstallCase):
    def machine_value(self, name):
        return self.prefix.registry_value(MACHINE_ENTRY, name)

    def all_users_links(self):
        return [(install.MARKER, install.INSTALLED)] + [
            (self.folder(csidl) + name, install.INSTALLED) for csidl, name in (
                (install.CSIDL_COMMON_DESKTOPDIRECTORY, "\\ Veltrano.lnk"),
                (install.CSIDL_COMMON_STARTMENU, "\\ Veltrano.lnk"),
                (install.CSIDL_COMMON_PROGRAMS, "\\ Veltrano\\ Veltrano.lnk"))]

    def test_installs_for_every_user_without_a_window_and_the_quiet_command_removes_it(self):
        self.install_exe(install.DOWNLOADED)
        # A box would wait for an answer that never comes: the run would not end.
        code, _ = self.run_program(install.DOWNLOADED, "/install", "/quiet", timeout=60)
        self.assertEqual(0, code)
        # No window (it would ask for the start page), and nothing started.
        self.assertEqual([], self.server.requests_for(install.START_PAGE))
        self.assertEqual([], self.programs())
        self.assertEqual(self.read(install.DOWNLOADED), self.read(install.INSTALLED))
        links = self.all_users_links()
        self.assert_links_written(links)
        for csidl in (install.CSIDL_DESKTOPDIRECTORY, install.CSIDL_STARTMENU):
            self.assertFalse(self.exists(self.folder(csidl) + "\\ Veltrano.lnk"), "a link of the installer's own")
        self.assertEqual("5.0.0.0", self.machine_value("DisplayVersion"))
        self.assertEqual('"%s" /uninstall /quiet' % install.INSTALLED, self.machine_value("QuietUninstallString"))
        self.assertIsNone(self.entry_value("DisplayName"), "a second line in the list")

        # Run again: the same copy, nothing asked, still 0.
        self.assertEqual(0, self.run_program(install.DOWNLOADED, "/install", "/quiet", timeout=60)[0])

        # The first start from a link asks nothing: the marker is there.
        self.start_installed_copy()
        self.robot.no_box(caption="tarnquill", within=4)
        self.close_program(self.programs()[0]["pid"])

        match = re.fullmatch(r'"([^"]+)"\s*(.*)', self.machine_value("QuietUninstallString"))
        code, _ = self.run_program(match.group(1), *match.group(2).split(), timeout=60)
        self.assertEqual(0, code)
        for path, _ in links + [(install.INSTALL_FOLDER, None)]:
            with self.subTest(left=path):
                self.assertFalse(self.exists(path), "left: " + path)
        self.assertIsNone(self.machine_value("DisplayName"), "the entry is left")
