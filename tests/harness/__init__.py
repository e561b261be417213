"""End-to-end harness: the real tarnquill.exe under Wine, a stand-in for the
maker's web server, and a robot that reads and answers the program's windows.
The Win32 helpers it runs inside the prefix (robot, probe, planted DLL,
linkinfo) are in helpers/ and built by the win32 build into <build>/harness.

Python 3 standard library only, imported as the package ``tests.harness`` with
the repository root on the path (CTest sets PYTHONPATH; the walkthrough and the
benchmarks run as modules from the root). Every file tests/e2e/<area>/test_*.py
is one CTest test, e2e.<area>.test_<name> (registered by tests/e2e/CMakeLists.txt),
run by ``python3 -m tests.harness.runfile <file>`` with the environment below.
A file can also be run by hand the same way once the win32 build exists
(export the variables, or run ``ctest -R <name> -V``).

Adding a test: drop tests/e2e/<area>/test_<name>.py; the next build re-globs
and CTest gets e2e.<area>.test_<name> (label "e2e"). Run one with
``ctest --test-dir build/win32 -R e2e.<area>.test_<name> --output-on-failure``; a
file without any test fails. On a machine that cannot run 32-bit code the same
tests run against build/win64: the prefix's architecture and Wine's loader
follow the build (``wine.wine_arch``). Windows-side unit tests use
tq_win32_test() in tests/win32/<folder>/CMakeLists.txt and run through
``tests.harness.run_wine``.

Writing a test
--------------
::

    import unittest
    from tests.harness import E2E, IDYES, IDNO, IDOK

    class UpdateOffer(E2E):
        def test_newer_version_is_offered(self):
            self.server.route("/tarnquill/update/update.txt", body=b"5.0.0.1")
            exe = self.install_exe(r"C:\\users\\root\\Downloads\\tarnquill.exe")
            proc = self.start(exe)
            box = self.robot.wait_box(caption="tarnquill", timeout=40)
            self.assertIn("...", box.text)
            self.robot.answer(box, IDNO)
            self.robot.wait_gone(box.hwnd, timeout=5)
            self.assertEqual(1, len(self.server.requests_for("/tarnquill/update/update.txt")))
            self.assertTrue(self.exists(r"C:\\ProgramData\\Veltrano\\tarnquill.exe"))

    if __name__ == "__main__":
        unittest.main()

Each test method gets its own fresh copy of the build's Wine prefix, its own
server and its own robot; ``tearDown`` ends every process the test started
(``wineserver -k`` on the copy, then the pids), stops the server, takes a
screenshot when the test failed (the build's e2e/shots/FAILED-*.png) and deletes
the copy (set TQ_E2E_KEEP=1 to keep it).

``E2E`` (a ``unittest.TestCase``)
---------------------------------
Class attributes a test class may override:
  ``VIRTUAL_DESKTOP = False``  True: all windows live in Wine's 1024x768
                               virtual desktop (frames and captions drawn).
  ``TIMEOUT = 120``            hard limit in seconds for one test method;
                               when it passes every process is killed, so
                               the waits fail quickly and the test fails.
Attributes set by setUp:
  ``self.prefix``   the ``Prefix`` (see below) of this test
  ``self.server``   the running ``Server``; the program reaches it through
                    http_proxy, so any host name lands here
  ``self.robot``    the ``Robot`` bound to the prefix
Methods:
  ``exe(variant="main")``  unix path of a built program: "main" (5.0.0.0),
                           "5.0.0.1", "noversion"
  ``install_exe(dos_path, variant="main")``  copy that program into the prefix
                           at dos_path (folders created); returns dos_path
  ``start(program, *args, cwd=None)``  start ``wine program args`` (program is
                           a DOS path such as C:\\... or a unix path); returns
                           a ``Proc`` (``.popen``, ``.wait(timeout)`` -> exit
                           code or raises ``subprocess.TimeoutExpired``,
                           ``.running()``, ``.output()`` -> stdout bytes so far)
  ``run_program(program, *args, timeout=60)``  start and wait; returns (code, stdout)
  ``unix(dos_path)`` / ``dos(unix_path)``  map between C:\\... and the copy
  ``exists(dos_path)``, ``read(dos_path)`` -> bytes, ``write(dos_path, data)``,
  ``listdir(dos_path)`` -> names
  ``wait_until(predicate, timeout, interval=0.2, message="")``  poll; fails the
                           test with message on timeout; returns the value.
                           Every wait for what the program does goes through
                           it (or a robot/server wait), never a fixed sleep
  ``holds_for(predicate, seconds, interval=0.2, message="")``  for what must
                           not happen: fails as soon as predicate is false
                           within the time
  ``screenshot(name)``     PNG of the X screen under the build's e2e/shots/
  ``wine_processes()``     [{"pid","ppid","exe"}] of the prefix (robot procs)
Paths inside the prefix (root user): desktop C:\\users\\root\\Desktop, temp
C:\\users\\root\\Temp, download folder C:\\users\\root\\Downloads, common app data
C:\\ProgramData. Constants: ``DOWNLOADS``, ``PROGRAMDATA``, ``DESKTOP``, ``TEMP``.

``Server`` (loopback stand-in for the maker's web server)
----------------------------------------------------------
``route(path, body=b"", status=200, *, host=None, headers=None,
        content_length=None, size=None, truncate_at=None, stall_at=None,
        stall_seconds=5, stall_then="continue", reset=False, reset_at=None,
        extra=b"", delay=0, times=None, chunk=4096, content_type=...)``
  ``path``: path and query as the program asks for it, e.g.
  "/tarnquill/?software=5.0" (exact match; a trailing "*" matches a prefix).
  ``body``: bytes (str is encoded as GBK). ``size=N``: instead of body, a
  streamed deterministic body of N bytes (``pattern_bytes(n)`` gives the same
  bytes; ``pattern_sha256(n)`` their digest). ``status``: any code.
  ``content_length``: the announced length (default the real one; ``False``:
  no Content-Length, the body ends when the connection closes).
  ``truncate_at=N``: send N body bytes then close. ``stall_at=N``: send N bytes,
  wait ``stall_seconds``, then go on ("continue") or close ("close").
  ``reset=True``: reset the connection (RST) without answering;
  ``reset_at=N``: reset after N body bytes. ``extra``: bytes sent after the
  announced body. ``chunked=True``: the body in chunks of ``chunk`` bytes, no length. ``delay``: seconds before the answer. ``times=N``: the route
  serves N requests, then later routes for the path (or 404) apply.
  Routes added later for the same path come after earlier ones. A route
  without a query serves its path whatever the query (as a static host
  does); a route with a query serves only that query and wins over one
  without. ``requests_for`` and ``wait_for_request`` match alike.
Unrouted paths get 404 with a short body. ``requests``: list of ``Request``
(``.method``, ``.target`` (as sent, absolute form through the proxy),
``.host``, ``.path`` (path and query), ``.version``, ``.headers`` (dict, keys
lower-case), ``.header_lines`` (as sent), ``.time``). ``requests_for(path)``,
``wait_for_request(path, timeout=10, count=1)`` -> list, ``port``, ``url``.

``Robot`` (helpers/robot, robot.exe run inside the prefix; outputs JSON lines)
----------------------------------------------------------------------------
``windows(caption=None, cls=None, pid=None, visible_only=True)`` -> [Window]
  (``.hwnd`` int, ``.cls``, ``.caption``, ``.pid``, ``.rect`` (l,t,r,b),
  ``.visible``, ``.owner``)
``wait_for_window(caption=None, cls=None, timeout=10)`` -> Window (fails the
  test on timeout)
``wait_box(caption=None, timeout=10, exclude=())`` -> Box: a message box
  (class #32770 with a Static child of id 0xFFFF); ``.hwnd``, ``.caption``,
  ``.text`` (the message), ``.buttons`` {id: text}, ``.pid``
``no_box(caption=None, within=3)``  assert that no message box appears
``answer(box, button)``  press IDOK/IDYES/IDNO (WM_COMMAND to the box)
``wait_gone(hwnd, timeout=10)``  wait until the window no longer exists
``press(hwnd, id)``, ``post(hwnd, msg, wparam=0, lparam=0)``,
``send(hwnd, msg, wparam=0, lparam=0)`` -> result,
``send_key(hwnd, vk)`` (WM_KEYDOWN/WM_KEYUP posted to hwnd),
``drop_files(hwnd, dos_paths)`` -> {"accepts_files": bool, "posted": bool}: as
  the shell does, an HDROP (wide paths) is made inside the target process and
  WM_DROPFILES posted only when the window has WS_EX_ACCEPTFILES
``children(hwnd)`` -> [Child] (``.hwnd``, ``.id``, ``.cls``, ``.text``,
  ``.rect`` (screen), ``.rect_in_parent`` (parent client coordinates),
  ``.client`` (own client size w,h), ``.visible``)
``info(hwnd)`` -> dict: rect, client, style, maximized, minimized, visible
``sysmenu(hwnd)`` -> [(id, text)] items of the window's system menu (read
  inside the target process; separators have id 0 and text "")
``procs()`` -> [{"pid","ppid","exe"}]
Message constants: ``IDOK``, ``IDCANCEL``, ``IDYES``, ``IDNO``,
``WM_CLOSE``, ``WM_COMMAND``, ``WM_SYSCOMMAND``, ``WM_KEYDOWN``, ``WM_SIZE``,
``SC_MAXIMIZE``, ``SC_RESTORE``, ``SC_MINIMIZE``, ``VK_RETURN``, ``VK_ESCAPE``.

Costs (measured on 2 busy cores): the build's prefix is made once (wineboot,
about 10 s); per test method a fresh copy takes about 1 s (system binaries are
hard links), the own X server 0.3 s, the first Wine process in the copy about
2 s (the prefix's wineserver and services start), each further robot call
0.2-0.5 s, the teardown about 1.5 s. Prefer one robot wait with a generous
timeout over many short polls; every wait is bounded, and TIMEOUT bounds the
whole method.

Environment (set by CTest; the harness fails clearly when one is missing)
  TQ_BUILD_DIR, TQ_EXE, TQ_EXE_5001, TQ_EXE_NOVERSION, TQ_EXE_BROKEN, TQ_EXE_HTTPS.
  The helpers are found in TQ_BUILD_DIR/harness (``wine.helper``).
"""

from .case import E2E, DOWNLOADS, PROGRAMDATA, DESKTOP, TEMP  # noqa: F401
from .server import Server, Request, pattern_bytes, pattern_sha256  # noqa: F401
from .robot import (Robot, Window, Box, Child, IDOK, IDCANCEL, IDYES, IDNO,  # noqa: F401
                    WM_CLOSE, WM_COMMAND, WM_SYSCOMMAND, WM_KEYDOWN, WM_SIZE,
                    SC_MAXIMIZE, SC_RESTORE, SC_MINIMIZE, VK_RETURN, VK_ESCAPE)
from .wine import Prefix, Proc  # noqa: F401
