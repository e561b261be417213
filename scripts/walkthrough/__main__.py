"""Walkthrough: the program as a new user meets it, under Wine, against a
loopback stand-in for the maker's server.

Usage: python3 -m scripts.walkthrough [--build-dir DIR] [--folder DIR]
                                      [--interactive] [--docs DIR]
                                      [--announce VERSION] [--time-limit SECONDS]

Headless by default: its own X server, every prompt answered Yes by the robot,
a screenshot of each stage. With --interactive (needs DISPLAY) the person
answers. The Wine prefix stays in <folder>/prefix. Exit status 0 only when
every stage happened; 1 names the stage that did not; 2 for a setup error.
"""

import argparse
import os
import signal
import subprocess
import sys
import time

from tests.harness.wine import HarnessError, build_config, helper_path, wine_command

from . import standin
from .session import Session
from .stages import FOLDER, INSTALLED, StageFailed, Walkthrough

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


class SetupError(Exception):
    """The run could not begin: nothing of the program was tried."""


class Build:
    """The built programs the walkthrough runs."""

    def __init__(self, build_dir):
        self.dir = os.path.abspath(build_dir)
        self.paths = {
            "main": os.path.join(self.dir, "tarnquill.exe"),
            "5.0.0.1": os.path.join(self.dir, "variants", "5.0.0.1", "tarnquill.exe"),
            "robot": helper_path("robot.exe", self.dir),
            "linkinfo": helper_path("linkinfo.exe", self.dir),
        }
        missing = [p for p in self.paths.values() if not os.path.exists(p)]
        if missing:
            raise SetupError("not built: %s (cmake --build %s)" % (", ".join(missing), self.dir))
        self.host = build_config("TQ_HOST", self.dir)

    def image(self, variant):
        with open(self.paths[variant], "rb") as f:
            return f.read()


def parse(argv):
    p = argparse.ArgumentParser(prog="walkthrough", description=__doc__.split("\n\n")[0])
    p.add_argument("--build-dir", default=os.path.join(ROOT, "build", "win32"))
    p.add_argument("--folder", default=os.path.join(ROOT, "build", "walkthrough"),
                   help="where the prefix, the screenshots and the logs are kept")
    p.add_argument("--interactive", action="store_true",
                   help="the person at DISPLAY answers the prompts")
    p.add_argument("--docs", help="also save the screenshots, compressed, in this folder")
    p.add_argument("--announce", help="the version update.txt announces "
                   "(default: the one the release step wrote, 5.0.0.1)")
    p.add_argument("--time-limit", type=float,
                   help="seconds before every process is ended (300; interactive 1800)")
    args = p.parse_args(argv)
    if args.interactive and not os.environ.get("DISPLAY"):
        p.error("--interactive needs a display (DISPLAY is not set)")
    if args.time_limit is None:
        args.time_limit = 1800 if args.interactive else 300
    return args


def compress(shots, docs):
    """Small PNG copies: 64 colours without dithering keep text sharp."""
    os.makedirs(docs, exist_ok=True)
    for path in shots:
        out = os.path.join(docs, "walkthrough-" + os.path.basename(path))
        try:
            subprocess.run(["convert", path, "+dither", "-colors", "64", "-strip", "PNG8:" + out],
                           check=True, timeout=60)
        except (OSError, subprocess.SubprocessError) as e:
            raise StageFailed("docs pictures", "convert could not write %s: %s" % (out, e)) from e


def link_targets(session, build, links):
    """Each shortcut with what the shell would follow, read by linkinfo."""
    lines = []
    for link in links:
        try:
            code, out = session.prefix.run(build.paths["linkinfo"], link, timeout=30)
        except Exception:  # noqa: BLE001 - a slow read still lists the link
            code, out = -1, b""
        fields = dict(l.split("=", 1) for l in out.decode("gbk", "replace").splitlines() if "=" in l)
        target = fields.get("target") if code == 0 else None
        lines.append("%s -> %s" % (link, target if target else "(unreadable)"))
    return lines


def summary(walk, session, build, seconds):
    f = walk.facts
    prefix = session.prefix
    print("\n== summary ==")
    print("installed at      %s  (on disk: %s)" % (INSTALLED, prefix.unix(FOLDER)))
    print("version before    %s" % f.get("version_before", "?"))
    print("version after     %s  (the old executable kept as OldExecutable.bak)"
          % f.get("version_after", "?"))
    print("shortcuts written")
    for line in link_targets(session, build, f.get("links", [])):
        print("  " + line)
    print("requests the server saw")
    for line in standin.request_log(session.server):
        print("  " + line)
    if f["shots"]:
        print("screenshots       %s: %s" % (os.path.dirname(f["shots"][0]),
                                           ", ".join(os.path.basename(p) for p in f["shots"])))
    print("prefix kept       %s  (look: WINEPREFIX=%s %s explorer)"
          % (prefix.path, prefix.path, " ".join(wine_command())))
    print("all stages passed in %.0f s" % seconds)


def write_server_log(session, folder):
    path = os.path.join(folder, "server.log")
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(standin.request_log(session.server)) + "\n")
    return path


def failure(err, walk, session, folder, log):
    where = ["server log %s" % log, "program output %s/out-*.txt" % folder,
             "prefix %s" % session.prefix.path]
    if not walk.interactive:
        shot = os.path.join(walk.shots, "FAILED-%s.png" % err.stage.replace(" ", "-"))
        if session.screenshot(shot):
            where.insert(0, "screenshot %s" % shot)
    print("\nFAILED at stage %r: %s" % (err.stage, err.what), file=sys.stderr)
    print("look at: " + "; ".join(where), file=sys.stderr)


def interrupt(signum, frame):
    raise KeyboardInterrupt()


def main(argv):
    try:
        return run_walkthrough(parse(argv))
    except SetupError as e:
        print("walkthrough: %s" % e, file=sys.stderr)
        return 2


def run_walkthrough(args):
    build = Build(args.build_dir)
    os.environ["TQ_BUILD_DIR"] = build.dir  # where the harness keeps the pristine prefix
    folder = os.path.abspath(args.folder)
    shots = os.path.join(folder, "shots")
    os.makedirs(shots, exist_ok=True)
    for old in os.listdir(shots):
        os.remove(os.path.join(shots, old))
    # A terminal's Ctrl-C or a CI's SIGTERM still ends every process started.
    signal.signal(signal.SIGTERM, interrupt)

    started = time.monotonic()
    print("walkthrough: preparing an X server, the stand-in server and a fresh Wine prefix "
          "(the first run of a build also makes its pristine prefix, about 20 s)", flush=True)
    try:
        session = Session(folder, build.paths["robot"],
                          display=os.environ["DISPLAY"] if args.interactive else None)
    except (HarnessError, OSError, subprocess.SubprocessError) as e:
        raise SetupError("could not prepare X, server or Wine prefix: %s" % e) from e
    walk = Walkthrough(session, build, shots, args.interactive, args.announce,
                       say=lambda line: print(line, flush=True))
    print("walkthrough: X display %s, stand-in server on 127.0.0.1:%d, folder %s"
          % (session.display, session.server.port, folder), flush=True)
    session.limit(args.time_limit, lambda: print("time limit of %.0f s reached: ending every "
                                                 "process" % args.time_limit, flush=True))
    try:
        walk.run()
        summary(walk, session, build, time.monotonic() - started)
        if args.docs:
            compress(walk.facts["shots"], args.docs)
        return 0
    except StageFailed as err:
        if args.docs and err.stage != "docs pictures":
            try:  # the pictures taken before the stage that failed
                compress(walk.facts["shots"], args.docs)
            except StageFailed:
                pass
        failure(err, walk, session, folder, write_server_log(session, folder))
        return 1
    except KeyboardInterrupt:
        print("\nwalkthrough: interrupted at stage %r; ending every process it started"
              % walk.stage, file=sys.stderr)
        return 130
    finally:
        write_server_log(session, folder)
        session.close()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
