"""DLLs planted beside the installed program: any local user may create files
in its folder, so a DLL named like a system DLL that is not a known DLL would
run inside the next user's copy. Under Windows' load order (the program's
folder first) the program runs, updates, restarts and shows its window, and
no planted DLL is loaded. version.dll is not planted: Wine's own shell32 and
ole32 load it from the program's folder before any of the program's code runs
(Windows takes their dependencies from the system folder); for it the import
table is the check (the win32 test win32.imports.import_table)."""

import unittest

from tests.e2e.update import test_update as update
from tests.harness import IDYES
from tests.harness.wine import helper

PLANTED = ("wininet.dll", "comctl32.dll")


class PlantedDlls(update.UpdateCase):
    def setUp(self):
        super().setUp()
        self.prefix.native_first("version", "wininet", "comctl32")
        with open(helper("planted.dll"), "rb") as f:
            dll = f.read()
        for name in PLANTED:
            self.write(update.FOLDER + "\\" + name, dll)

    def loaded(self):
        return [name for name in PLANTED if self.exists(update.FOLDER + "\\" + name + ".loaded")]

    def test_the_program_runs_updates_and_restarts_without_loading_them(self):
        self.publish(b"5.0.0.1", body=self.new_image)
        window = self.start_installed(cwd=self.unix(update.FOLDER))
        self.tick(window)
        self.robot.answer(self.offer("5.0.0.1"), IDYES)
        done = self.robot.wait_box(caption=update.SUCCESS_CAPTION, timeout=60)
        self.assertEqual(self.new_image, self.read(update.INSTALLED))
        self.robot.answer(done, IDYES)
        self.robot.wait_gone(window.hwnd, timeout=15)
        self.server.wait_for_request("/tarnquill/?software=5.0.0.1", timeout=40)
        self.robot.wait_for_window(caption="Veltrano " + self.host, cls="#32770", timeout=30)
        self.assertEqual([], self.loaded())


if __name__ == "__main__":
    unittest.main()
