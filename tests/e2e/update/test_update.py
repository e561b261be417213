"""The self-update as a user meets it: the installed program under Wine checks
the stand-in server, offers the new version, swaps its executable and restarts."""

import os
import re
import time
import unittest

from tests.harness import E2E, IDNO, IDOK, IDYES, PROGRAMDATA, TEMP, WM_CLOSE
from tests.harness.signing import STRANGER_KEY, sign
from tests.harness.wine import build_config

WM_TIMER = 0x0113
IDT_UPDATE_CHECK = 1
FOLDER = PROGRAMDATA + "\\Veltrano"
INSTALLED = FOLDER + "\\tarnquill.exe"
BACKUP = FOLDER + "\\OldExecutable.bak"
MARKER = FOLDER + "\\ Veltrano4.lnk"


def download_name(exe, pid):
    """The file of one download, beside the executable: its file name, a
    64-bit FNV-1a hash of its full path with ASCII letters folded, the
    process id."""
    digest = 14695981039346656037
    for byte in exe.upper().encode("gbk"):
        digest = ((digest ^ byte) * 1099511628211) % (1 << 64)
    return "tarnquill.exe.%016X.%d.part" % (digest, pid)


def downloads_left(case):
    """What the update left beside the executable or in the temporary folder."""
    beside = [name for name in case.listdir(FOLDER) if name.lower().startswith("tarnquill.exe.")]
    return beside + [name for name in case.listdir(TEMP) if name.lower().startswith("tarnquill.exe")]

MANIFEST = "/tarnquill/update/update.txt"
EXE = "/tarnquill/update/tarnquill.exe"
SIG = EXE + ".sig"

OFFER_CAPTION = "有新版更新"
SUCCESS_CAPTION = "更新成功！"
SUCCESS_TEXT = "更新成功！是否立刻重新启动程序以使更新生效？"
FAILURE_CAPTION = "更新失败！"
UNDONE_TEXT = "更新后的程序无法启动，已恢复到之前的版本。"
UNDONE_RECORD = INSTALLED + ".undone"


class UpdateCase(E2E):
    TIMEOUT = 180

    def setUp(self):
        super().setUp()
        self.host = build_config("TQ_HOST")
        self.failure_text = "对不起，更新失败！请手动至%s下载更新程序。" % build_config("TQ_HOME_PAGE")
        self.install_exe(INSTALLED)
        # Already installed and shortcuts once made: no other prompt comes.
        self.write(MARKER, b"")
        self.old_image = self.read(INSTALLED)
        with open(self.exe("5.0.0.1"), "rb") as f:
            self.new_image = f.read()
        self.new_signature = sign(self.new_image)

    def publish(self, manifest, sig_route=None, query="", **exe_route):
        """The manifest, and the executable's route beside the maker's
        signature of the new image (or sig_route for the signature), both
        for any query or only for `query`."""
        self.server.clear_routes()
        self.server.route("/tarnquill/?software=*", body=b"<html></html>", content_type="text/html")
        self.server.route(MANIFEST, body=manifest)
        if exe_route:
            self.server.route(SIG + query, **(sig_route or dict(body=self.new_signature)))
            self.server.route(EXE + query, **exe_route)

    def start_installed(self, cwd=None):
        """Starts the installed copy and returns its main window, once the
        start page shows that the program knows its own version 5.0."""
        page = "/tarnquill/?software=5.0"
        before = len(self.server.requests_for(page))
        self.start(INSTALLED, cwd=cwd)
        window = self.robot.wait_for_window(caption="Veltrano " + self.host, cls="#32770", timeout=30)
        self.server.wait_for_request(page, timeout=20, count=before + 1)
        return window

    def tick(self, window):
        self.robot.post(window.hwnd, WM_TIMER, IDT_UPDATE_CHECK, 0)

    def close(self, window):
        self.robot.post(window.hwnd, WM_CLOSE)
        self.robot.wait_gone(window.hwnd, timeout=15)

    def offer(self, version):
        box = self.robot.wait_box(caption=OFFER_CAPTION, timeout=30)
        self.assertEqual("新版本 %s 现在可用，是否下载更新？" % version, box.text)
        self.assertEqual({IDYES, IDNO}, set(box.buttons))
        return box

    def expect_failure_message(self):
        box = self.robot.wait_box(caption=FAILURE_CAPTION, timeout=30)
        self.assertEqual(self.failure_text, box.text)
        self.assertEqual({IDOK}, set(box.buttons))
        self.robot.answer(box, IDOK)
        self.robot.wait_gone(box.hwnd)

    def expect_untouched(self):
        self.assertEqual(self.old_image, self.read(INSTALLED))
        self.assertFalse(self.exists(BACKUP))
        self.assertEqual([], downloads_left(self), "a partial download was left behind")


class AcceptedUpdate(UpdateCase):
    def reach_success_question(self, cwd=None):
        # The release's files under its version; a cache in front of the
        # server still holds the previous release at the plain addresses.
        self.publish(b"5.0.0.1", query="?v=5.0.0.1", body=self.new_image)
        self.server.route(SIG, body=sign(self.old_image))
        self.server.route(EXE, body=self.old_image)
        window = self.start_installed(cwd=cwd)
        self.tick(window)
        box = self.offer("5.0.0.1")
        self.robot.answer(box, IDYES)
        done = self.robot.wait_box(caption=SUCCESS_CAPTION, timeout=60)
        self.assertEqual(SUCCESS_TEXT, done.text)
        self.assertEqual({IDYES, IDNO}, set(done.buttons))
        self.assertEqual(self.new_image, self.read(INSTALLED))
        self.assertEqual(self.old_image, self.read(BACKUP))
        self.assertEqual([], downloads_left(self))
        fetched = [self.server.requests_for(path) for path in (MANIFEST, SIG, EXE)]
        self.assertEqual([[MANIFEST], [SIG + "?v=5.0.0.1"], [EXE + "?v=5.0.0.1"]],
                         [[r.path for r in requests] for requests in fetched])
        for requests in fetched:
            self.assertEqual("AutoUpdateAgent", requests[0].headers.get("user-agent"))
        return window, done

    def test_yes_swaps_the_files_and_restart_starts_the_new_version(self):
        # Started from its own folder: the relaunch path names the installed file.
        window, done = self.reach_success_question(cwd=self.unix(FOLDER))
        self.robot.answer(done, IDYES)
        self.robot.wait_gone(window.hwnd, timeout=15)
        self.server.wait_for_request("/tarnquill/?software=5.0.0.1", timeout=40)
        self.robot.wait_for_window(caption="Veltrano " + self.host, cls="#32770", timeout=30)

    def test_a_release_that_ends_at_once_is_undone_and_not_offered_again(self):
        # A signed 5.0.0.1 that exits with code 3 as it starts.
        with open(self.exe("broken"), "rb") as f:
            broken = f.read()
        self.publish(b"5.0.0.1", sig_route=dict(body=sign(broken)), body=broken)
        window = self.start_installed(cwd=self.unix(FOLDER))
        self.tick(window)
        self.robot.answer(self.offer("5.0.0.1"), IDYES)
        done = self.robot.wait_box(caption=SUCCESS_CAPTION, timeout=60)
        self.assertEqual(broken, self.read(INSTALLED))
        self.robot.answer(done, IDYES)
        self.robot.wait_gone(window.hwnd, timeout=15)

        told = self.robot.wait_box(caption=FAILURE_CAPTION, timeout=60)
        self.assertEqual(UNDONE_TEXT, told.text)
        self.assertEqual({IDOK}, set(told.buttons))
        self.assertEqual(self.old_image, self.read(INSTALLED))
        self.assertFalse(self.exists(BACKUP))
        self.assertEqual(b"5.0.0.1", self.read(UNDONE_RECORD))
        self.robot.answer(told, IDOK)
        self.robot.wait_gone(told.hwnd)

        # The old program is back, and its check leaves that release alone.
        page = "/tarnquill/?software=5.0"
        self.server.wait_for_request(page, timeout=30, count=2)
        back = self.robot.wait_for_window(caption="Veltrano " + self.host, cls="#32770", timeout=30)
        self.tick(back)
        self.server.wait_for_request(MANIFEST, timeout=20, count=2)
        self.robot.no_box(within=3)
        self.assertEqual(1, len(self.server.requests_for(SIG)), "nothing fetched beyond the manifest")
        self.assertEqual(self.old_image, self.read(INSTALLED))
        self.close(back)

    def test_restart_from_another_directory_starts_the_installed_file(self):
        # The current directory holds no tarnquill.exe: the running
        # executable's own path, now the new version, is started instead.
        window, done = self.reach_success_question(cwd=self.unix("C:\\users\\root"))
        self.robot.answer(done, IDYES)
        self.robot.wait_gone(window.hwnd, timeout=15)
        self.server.wait_for_request("/tarnquill/?software=5.0.0.1", timeout=40)

    def test_redirects_to_another_host_and_chunked_bodies_are_followed(self):
        # The signature moved for good (301) and the executable for now (302)
        # to a download host, which sends the executable in chunks.
        cdn = "http://download.veltrano.example/r/"
        self.publish(b"5.0.0.1", query="?v=5.0.0.1", sig_route=dict(status=301, headers={
            "Location": cdn + "tarnquill.exe.sig"}), status=302, headers={"Location": cdn + "tarnquill.exe"})
        self.server.route("/r/tarnquill.exe.sig", host="download.veltrano.example", body=self.new_signature)
        self.server.route("/r/tarnquill.exe", host="download.veltrano.example", body=self.new_image,
                          chunked=True)
        window = self.start_installed()
        self.tick(window)
        self.robot.answer(self.offer("5.0.0.1"), IDYES)
        done = self.robot.wait_box(caption=SUCCESS_CAPTION, timeout=60)
        self.assertEqual(self.new_image, self.read(INSTALLED))
        self.assertEqual(1, len(self.server.requests_for("/r/tarnquill.exe")))
        self.robot.answer(done, IDNO)

    def test_a_folder_at_the_backups_name_does_not_stop_the_update(self):
        # Made while the program runs (another user of the machine may make
        # one): the old image is kept under a name of the swap's own.
        self.publish(b"5.0.0.1", query="?v=5.0.0.1", body=self.new_image)
        window = self.start_installed()
        os.makedirs(self.unix(BACKUP))
        self.tick(window)
        self.robot.answer(self.offer("5.0.0.1"), IDYES)
        done = self.robot.wait_box(caption=SUCCESS_CAPTION, timeout=60)
        self.assertEqual(self.new_image, self.read(INSTALLED))
        self.assertTrue(os.path.isdir(self.unix(BACKUP)))
        backups = [name for name in self.listdir(FOLDER) if re.fullmatch(r"OldExecutable\.\d+\.bak", name)]
        self.assertEqual(1, len(backups), self.listdir(FOLDER))
        self.assertEqual(self.old_image, self.read(FOLDER + "\\" + backups[0]))
        self.robot.answer(done, IDNO)
        self.close(window)

    def test_restart_declined_keeps_the_window_open(self):
        window, done = self.reach_success_question()
        self.robot.answer(done, IDNO)
        self.robot.wait_gone(done.hwnd)
        self.robot.no_box(within=3)
        self.assertTrue(self.robot.info(window.hwnd)["visible"])
        self.assertEqual([], self.server.requests_for("/tarnquill/?software=5.0.0.1"))


class RejectedUpdate(UpdateCase):
    def test_declined_offer_shows_the_failure_message_and_changes_nothing(self):
        self.publish(b"5.0.0.1", body=self.new_image)
        window = self.start_installed()
        self.tick(window)
        self.robot.answer(self.offer("5.0.0.1"), IDNO)
        self.expect_failure_message()
        self.expect_untouched()
        self.assertTrue(self.robot.info(window.hwnd)["visible"])

    def test_unusable_downloads_are_refused(self):
        half = len(self.new_image) // 2
        cases = {
            "404 page": dict(body=b"<html><body><h1>404 Not Found</h1></body></html>", status=404,
                             content_type="text/html"),
            "truncated": dict(body=self.new_image, truncate_at=half),
            "not an executable": dict(body=b"<html>maintenance</html>", content_type="text/html"),
        }
        for name, route in cases.items():
            with self.subTest(name):
                # A leftover of an earlier, ended copy: it must go as well,
                # which also proves the downloads land in this folder.
                self.write(FOLDER + "\\" + download_name(INSTALLED, 1), b"left over")
                self.publish(b"5.0.0.1", **route)
                window = self.start_installed()
                self.tick(window)
                self.robot.answer(self.offer("5.0.0.1"), IDYES)
                self.expect_failure_message()
                self.expect_untouched()
                self.close(window)


class UnsignedUpdate(UpdateCase):
    def test_without_a_usable_signature_nothing_is_offered(self):
        cases = {
            "missing": dict(body=b"<html>404 Not Found</html>", status=404, content_type="text/html"),
            "truncated": dict(body=self.new_signature[:-1]),
        }
        for name, sig_route in cases.items():
            with self.subTest(name):
                self.publish(b"5.0.0.1", sig_route=sig_route, body=self.new_image)
                before = len(self.server.requests_for(SIG))
                window = self.start_installed()
                self.tick(window)
                self.server.wait_for_request(SIG, timeout=20, count=before + 1)
                self.robot.no_box(within=3)
                self.assertEqual([], self.server.requests_for(EXE))
                self.expect_untouched()
                self.close(window)

    def test_an_update_signed_by_another_key_is_refused(self):
        self.publish(b"5.0.0.1", sig_route=dict(body=sign(self.new_image, STRANGER_KEY)),
                     body=self.new_image)
        window = self.start_installed()
        self.tick(window)
        self.robot.answer(self.offer("5.0.0.1"), IDYES)
        self.expect_failure_message()
        self.expect_untouched()


class NothingToDo(UpdateCase):
    def test_manifest_not_newer_is_silent_and_fetches_nothing_more(self):
        for manifest in (b"5.0.0.0", b"4.9", b"5.0.0.1\r\n"):
            with self.subTest(manifest=manifest):
                self.publish(manifest, body=self.new_image)
                before = len(self.server.requests_for(MANIFEST))
                window = self.start_installed()
                self.tick(window)
                self.server.wait_for_request(MANIFEST, timeout=20, count=before + 1)
                self.robot.no_box(within=3)
                self.assertEqual([], self.server.requests_for(EXE))
                self.assertEqual(self.old_image, self.read(INSTALLED))
                self.close(window)

    def test_unreachable_server_shows_nothing_and_the_window_keeps_working(self):
        window = self.start_installed()
        self.server.stop()
        self.tick(window)
        self.robot.no_box(within=5)
        self.assertEqual(0, self.robot.send(window.hwnd, 0))  # WM_NULL answered
        self.assertTrue(self.robot.info(window.hwnd)["visible"])
        self.assertEqual(self.old_image, self.read(INSTALLED))

    def test_every_start_asks_the_server_with_the_agent_name(self):
        self.publish(b"5.0")
        for start in (1, 2):
            window = self.start_installed()
            self.tick(window)
            self.server.wait_for_request(MANIFEST, timeout=20, count=start)
            self.close(window)
        requests = self.server.requests_for(MANIFEST)
        self.assertEqual(2, len(requests), "the second start was served from a cache")
        for request in requests:
            self.assertEqual("AutoUpdateAgent", request.headers.get("user-agent"))
            self.assertEqual(self.host, request.host.split(":")[0])


class RealTimer(UpdateCase):
    def test_the_check_runs_about_twenty_seconds_after_start(self):
        self.publish(b"5.0")
        window = self.start_installed()
        shown = time.monotonic()
        self.server.wait_for_request(MANIFEST, timeout=45)
        waited = self.server.requests_for(MANIFEST)[0].time - shown
        self.assertGreater(waited, 15)
        self.assertLess(waited, 35)
        self.robot.no_box(within=2)
        self.assertTrue(self.robot.info(window.hwnd)["visible"])


if __name__ == "__main__":
    unittest.main()
