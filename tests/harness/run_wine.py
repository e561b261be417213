"""Runs one Windows program (a unit-test executable) in a fresh copy of the
build's prefix, on an X server of its own when there is no DISPLAY, and ends
everything it started afterwards. Its exit code is the program's.

Usage: python3 -m tests.harness.run_wine [--timeout S] program.exe [args...]
"""

import os
import subprocess
import sys

from .wine import Prefix, Xvfb


def plant_folder_link(prefix):
    """C:\\tq-links\\link, a Unix symbolic link to C:\\tq-links\\target (which
    holds "inside"), for the contract cases about links: Wine cannot make
    one itself, and reads one as a reparse point."""
    links = os.path.join(prefix.drive_c, "tq-links")
    os.makedirs(os.path.join(links, "target"), exist_ok=True)
    with open(os.path.join(links, "target", "inside"), "w") as f:
        f.write("inside")
    os.symlink("target", os.path.join(links, "link"))


def main(argv):
    timeout = 300
    if len(argv) >= 3 and argv[1] == "--timeout":
        timeout = float(argv[2])
        argv = argv[:1] + argv[3:]
    if len(argv) < 2:
        print(__doc__)
        return 2
    xvfb = Xvfb()
    prefix = None
    try:
        prefix = Prefix("unit", display=xvfb.display)
        plant_folder_link(prefix)
        proc = prefix.start(argv[1], *argv[2:])
        try:
            code = proc.wait(timeout)
        except subprocess.TimeoutExpired:
            code = 124
            print("%s did not end within %ss" % (argv[1], timeout))
        sys.stdout.buffer.write(proc.output())
        sys.stdout.flush()
        return code
    finally:
        if prefix is not None:
            prefix.kill_all()
            prefix.remove()
        xvfb.stop()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
