#!/usr/bin/env python3
"""Holds the program to its layers: shared layers below, subsystems side by
side above them, start-up on top. A subsystem uses another only through an
edge declared below, and no library of the program links GoogleTest.
Reads the dependency graph CMake writes for each configured build folder, and
the #include "folder/..." and #include <folder/...> lines of the program's
sources (a header-only use makes no link edge; the source root is on the
include path, so both forms reach any folder of the tree).
   python3 scripts/check_layers.py build/native build/win32"""
import os
import re
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Shared layers, lowest first: each may use only those listed before it.
SHARED = ["platform", "base", "afx"]
# The subsystems stand side by side on the shared layers.
SUBSYSTEMS = ["update", "install", "browser", "ui"]
# The only edges between subsystems: the main window shows the browser, runs
# the installation step and hands the update agent its window.
SIBLING_EDGES = {("ui", "browser"), ("ui", "install"), ("ui", "update")}
# Start-up, on top: may use every folder below it.
TOP = "app"
# The resource identifiers, which any folder may include.
RESOURCES = "res"

# Each folder's libraries, lowest first: a library may link the ones listed
# before it in its own folder.
LIBRARIES = {
    "platform": ["tq_platform", "tq_platform_win32"],
    "base": ["tq_base"],
    "afx": ["tq_afx_templates", "tq_afx"],
    "update": ["tq_update"],
    "install": ["tq_install"],
    "browser": ["tq_browser"],
    "ui": ["tq_ui"],
    "app": ["tq_app"],
}
FOLDER_OF = {lib: folder for folder, libs in LIBRARIES.items() for lib in libs}
SOURCE_SUFFIXES = (".h", ".hpp", ".c", ".cpp", ".inl")
INCLUDE = re.compile(r'^\s*#\s*include\s*(?:"([^"/]+)/[^"]*"|<([^>/]+)/[^>]*>)')


def may_use(user, used):
    """Whether folder user may depend on folder used (both differ)."""
    if used == RESOURCES or user == TOP:
        return used in LIBRARIES or used == RESOURCES
    if user in SHARED:
        return used in SHARED and SHARED.index(used) < SHARED.index(user)
    return used in SHARED or (user, used) in SIBLING_EDGES


def edges(build_dir):
    with tempfile.TemporaryDirectory() as tmp:
        dot = tmp + "/deps.dot"
        subprocess.run(["cmake", "--graphviz=" + dot, build_dir], check=True, stdout=subprocess.DEVNULL)
        text = open(dot).read()
    names = dict(re.findall(r'"(node\d+)" \[ label = "([^"]+)"', text))
    return {(names[a], names[b]) for a, b in re.findall(r'"(node\d+)" -> "(node\d+)"', text)}


def link_problems(build_dir):
    found = []
    for a, b in sorted(edges(build_dir)):
        if a not in FOLDER_OF:
            continue  # tests, tools and benchmarks may use any layer
        if "gtest" in b.lower():
            found.append("%s links GoogleTest (%s)" % (a, b))
        elif b.startswith("tq_") and b not in FOLDER_OF:
            found.append("%s depends on %s, which is not a layer of the program" % (a, b))
        elif b not in FOLDER_OF:
            continue  # a system library
        elif FOLDER_OF[a] == FOLDER_OF[b]:
            libs = LIBRARIES[FOLDER_OF[a]]
            if libs.index(b) >= libs.index(a):
                found.append("%s depends on %s, which is not below it" % (a, b))
        elif not may_use(FOLDER_OF[a], FOLDER_OF[b]):
            found.append("%s depends on %s, which is neither below it nor a declared edge" % (a, b))
    return found


def sources(root, folder):
    for base, dirs, files in os.walk(os.path.join(root, folder)):
        dirs.sort()
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.join(base, name)


def included_folder(line, root):
    """The first folder of an include of the tree, or None. A quoted one
    always names the tree; one in angle brackets only when the tree has that
    folder (else it is a system or package header such as <sys/types.h>)."""
    match = INCLUDE.match(line)
    if not match:
        return None
    if match.group(1):
        return match.group(1)
    return match.group(2) if os.path.isdir(os.path.join(root, match.group(2))) else None


def include_problems(root=ROOT):
    found = []
    for folder in LIBRARIES:
        for path in sources(root, folder):
            for number, line in enumerate(open(path, encoding="utf-8", errors="replace"), 1):
                used = included_folder(line, root)
                if used is None or used == folder or may_use(folder, used):
                    continue
                where = "%s:%d" % (os.path.relpath(path, root), number)
                what = line.strip().split(None, 1)[-1]
                if used in LIBRARIES:
                    found.append("%s: %s/ includes %s, which is neither below it nor a declared edge"
                                 % (where, folder, what))
                else:
                    found.append("%s: %s/ includes %s, which is not a layer of the program" % (where, folder, what))
    return found


def main(dirs):
    failed = False
    for d in dirs:
        for p in link_problems(d):
            print("%s: %s" % (d, p))
            failed = True
    for p in include_problems():
        print(p)
        failed = True
    print("layers: %s" % ("FAILED" if failed else
                          "every link and include points down or along a declared edge, "
                          "no program library links GoogleTest"))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:] or ["build/native"]))
