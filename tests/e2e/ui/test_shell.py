"""The program's shell as a user meets it: the main window made from its
template with the browser control filling it, the start page asked for once,
the keyboard filter, the About box from the system menu, the proportional
layout on maximise and restore, and closing."""

import struct
import unittest

from tests.harness import (E2E, IDOK, WM_CLOSE, WM_SYSCOMMAND, SC_MAXIMIZE, SC_RESTORE, SC_MINIMIZE,
                     VK_RETURN, VK_ESCAPE)
from tests.harness.wine import build_config

INSTALLED = "C:\\ProgramData\\Veltrano\\tarnquill.exe"
MARKER = "C:\\ProgramData\\Veltrano\\ Veltrano4.lnk"


MAIN_CAPTION = "Veltrano " + build_config("TQ_HOST")
ABOUT_CAPTION = "关于 Brimwold"
ABOUT_ITEM = "关于 Brimwold(&A)..."
DIALOG_CLASS = "#32770"
IDC_BROWSER = 1000
SC_CLOSE = 0xF060
WS_EX_ACCEPTFILES = 0x10


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def scaled(rect, old_size, new_size):
    """The layout rule: float factors per axis, double products, truncation."""
    rx = f32(new_size[0] / old_size[0])
    ry = f32(new_size[1] / old_size[1])
    left, top, right, bottom = rect
    return (int(left * rx), int(top * ry), int(right * rx), int(bottom * ry))


def dialog_units_fit(client, cx_dlu, cy_dlu):
    """True when integer dialog base units map cx_dlu x cy_dlu to this client
    size (the dialog manager's MulDiv rounding)."""
    def fits(pixels, dlu, per):
        return any((dlu * base + per // 2) // per == pixels for base in range(4, 40))
    return fits(client[0], cx_dlu, 4) and fits(client[1], cy_dlu, 8)


class ShellCase(E2E):
    VIRTUAL_DESKTOP = True

    def start_installed(self, variant="main"):
        """Runs the program as the installed copy with its shortcuts made, so
        neither the installation nor the shortcut offer gets in the way."""
        self.install_exe(INSTALLED, variant)
        self.write(MARKER, b"")
        proc = self.start(INSTALLED)
        main = self.robot.wait_for_window(caption=MAIN_CAPTION, cls=DIALOG_CLASS, timeout=30)
        return proc, main

    def pages(self):
        """The start pages the browser asked for, in order."""
        return [r.path for r in self.server.requests if r.path.startswith("/tarnquill/?")]

    def browser(self, hwnd):
        kids = [c for c in self.robot.children(hwnd) if c.id == IDC_BROWSER]
        self.assertEqual(1, len(kids), "one browser control")
        return kids[0]

    def close_and_wait(self, proc, hwnd, by_system_menu=False):
        if by_system_menu:
            self.robot.post(hwnd, WM_SYSCOMMAND, SC_CLOSE)
        else:
            self.robot.post(hwnd, WM_CLOSE)
        self.robot.wait_gone(hwnd, timeout=15)
        proc.wait(timeout=15)
        self.assertFalse(proc.running())


class MainWindow(ShellCase):
    def test_window_from_template_navigates_once_and_closes_with_the_process(self):
        proc, main = self.start_installed()

        info = self.robot.info(main.hwnd)
        client = tuple(info["client"])
        self.assertTrue(dialog_units_fit(client, 537, 421), "client %r is not 537x421 DLU" % (client,))
        kids = self.robot.children(main.hwnd)
        self.assertEqual([IDC_BROWSER], [c.id for c in kids])
        self.assertEqual((0, 0) + client, kids[0].rect_in_parent)
        self.assertTrue(kids[0].visible)

        self.server.wait_for_request("/tarnquill/?software=5.0", timeout=20)
        # A second navigation would come at once.
        self.holds_for(lambda: self.pages() == ["/tarnquill/?software=5.0"], 2,
                       message="pages asked: %r" % self.pages())

        self.close_and_wait(proc, main.hwnd)
        self.assertEqual([], self.robot.windows(pid=main.pid, visible_only=False))

    def test_start_page_carries_the_running_copys_four_part_version(self):
        proc, main = self.start_installed("5.0.0.1")
        self.server.wait_for_request("/tarnquill/?software=5.0.0.1", timeout=20)
        self.holds_for(lambda: self.pages() == ["/tarnquill/?software=5.0.0.1"], 2,
                       message="pages asked: %r" % self.pages())
        self.close_and_wait(proc, main.hwnd)


class Keyboard(ShellCase):
    def test_enter_and_escape_never_end_the_dialog(self):
        proc, main = self.start_installed()
        browser = self.browser(main.hwnd)
        targets = [main.hwnd, browser.hwnd] + [c.hwnd for c in self.robot.children(browser.hwnd)]
        for hwnd in targets:
            for vk in (VK_ESCAPE, VK_RETURN):
                self.robot.send_key(hwnd, vk)
        self.holds_for(lambda: proc.running() and self.robot.windows(caption=MAIN_CAPTION, cls=DIALOG_CLASS), 2,
                       message="a key ended the dialog")
        self.close_and_wait(proc, main.hwnd, by_system_menu=True)


class DroppedFiles(ShellCase):
    def test_after_the_browsers_first_status_text_no_drop_reaches_the_window(self):
        # Wine's control reports a status text as soon as it looks for the
        # start page, so acceptance is withdrawn within the first second.
        proc, main = self.start_installed()
        self.server.wait_for_request("/tarnquill/?software=5.0", timeout=20)
        self.wait_until(lambda: not self.robot.info(main.hwnd)["exstyle"] & WS_EX_ACCEPTFILES, 10,
                        message="the window still accepts dropped files")
        self.robot.drop_files(main.hwnd, "C:\\windows\\win.ini")
        self.robot.no_box(within=2)
        self.assertTrue(proc.running())
        self.close_and_wait(proc, main.hwnd)


class AboutBox(ShellCase):
    def open_about(self, main, command):
        self.robot.post(main.hwnd, WM_SYSCOMMAND, command)
        return self.robot.wait_for_window(caption=ABOUT_CAPTION, cls=DIALOG_CLASS, timeout=10)

    def test_system_menu_item_and_commands_open_the_box_and_each_way_closes_it(self):
        proc, main = self.start_installed()
        menu = self.robot.sysmenu(main.hwnd)
        self.assertGreater(len(menu), 2)
        self.assertEqual(0, menu[-2][0], "separator before the About item: %r" % menu)
        self.assertEqual((16, ABOUT_ITEM), tuple(menu[-1]))
        rect_before = self.robot.info(main.hwnd)["rect"]

        about = self.open_about(main, 0x10)
        kids = self.robot.children(about.hwnd)
        texts = [c.text for c in kids]
        self.assertIn("Brimwold", texts)
        self.assertEqual("确定", [c.text for c in kids if c.id == IDOK][0])
        self.assertEqual(4, len(kids))
        self.assertFalse(any("5.0" in t for t in texts), "no version in the About box")
        shot = self.screenshot("main-window-with-about-box")
        self.assertIsNotNone(shot)
        self.robot.press(about.hwnd, IDOK)
        self.robot.wait_gone(about.hwnd)

        # Every command in 0x10..0x1F opens it; Esc, Enter and the close box end it.
        for command, close in ((0x1F, "esc"), (0x11, "enter"), (0x10, "close")):
            about = self.open_about(main, command)
            if close == "esc":
                self.robot.send_key(about.hwnd, VK_ESCAPE)
            elif close == "enter":
                self.robot.send_key(about.hwnd, VK_RETURN)
            else:
                self.robot.post(about.hwnd, WM_SYSCOMMAND, SC_CLOSE)
            self.robot.wait_gone(about.hwnd)

        self.assertTrue(proc.running())
        self.assertEqual(rect_before, self.robot.info(main.hwnd)["rect"])
        self.close_and_wait(proc, main.hwnd)


class Layout(ShellCase):
    def state(self, hwnd):
        return tuple(self.robot.info(hwnd)["client"]), self.browser(hwnd).rect_in_parent

    def test_maximise_and_restore_scale_the_control_and_minimise_moves_nothing(self):
        proc, main = self.start_installed()
        client0, rect0 = self.state(main.hwnd)

        self.robot.post(main.hwnd, WM_SYSCOMMAND, SC_MAXIMIZE)
        self.wait_until(lambda: self.robot.info(main.hwnd)["maximized"], 10, message="not maximised")
        client1, rect1 = self.state(main.hwnd)
        self.assertNotEqual(client0, client1)
        self.assertEqual(scaled(rect0, client0, client1), rect1)

        self.robot.post(main.hwnd, WM_SYSCOMMAND, SC_RESTORE)
        self.wait_until(lambda: not self.robot.info(main.hwnd)["maximized"], 10, message="not restored")
        client2, rect2 = self.state(main.hwnd)
        self.assertEqual(client0, client2)
        self.assertEqual(scaled(rect1, client1, client2), rect2)

        self.robot.post(main.hwnd, WM_SYSCOMMAND, SC_MINIMIZE)
        self.wait_until(lambda: self.robot.info(main.hwnd)["minimized"], 10, message="not minimised")
        self.assertEqual(rect2, self.browser(main.hwnd).rect_in_parent)
        self.robot.post(main.hwnd, WM_SYSCOMMAND, SC_RESTORE)
        self.wait_until(lambda: not self.robot.info(main.hwnd)["minimized"], 10, message="not restored")
        self.assertEqual((client2, rect2), self.state(main.hwnd))

        self.close_and_wait(proc, main.hwnd)


class WithoutBrowserControl(ShellCase):
    def test_window_opens_and_closes_cleanly_when_the_control_is_missing(self):
        for key in ("WINEDLLOVERRIDES",):
            self.prefix.env[key] = self.prefix.env[key] + ";ieframe,shdocvw=d"
        proc, main = self.start_installed()
        self.robot.no_box(within=2)
        self.assertEqual([], self.pages())

        # No control, no status text: the window keeps accepting dropped
        # files, and a drop shows the notice with the application name.
        self.assertTrue(self.robot.info(main.hwnd)["exstyle"] & WS_EX_ACCEPTFILES)
        dropped = "C:\\users\\root\\Downloads\\doc.txt"
        self.write(dropped, b"keep me")
        self.robot.drop_files(main.hwnd, dropped)
        box = self.robot.wait_box(timeout=10)
        self.assertEqual("tarnquill", box.caption)
        self.assertEqual("WM_DROPFILES", box.text)
        self.assertEqual([IDOK], list(box.buttons))
        self.assertEqual(main.hwnd, box.owner)
        self.robot.answer(box, IDOK)
        self.robot.wait_gone(box.hwnd)
        self.robot.no_box(within=1)
        self.assertTrue(proc.running())
        self.assertEqual(b"keep me", self.read(dropped))

        self.close_and_wait(proc, main.hwnd)


if __name__ == "__main__":
    unittest.main()
