#!/usr/bin/env python3
"""Holds the build to its layers: every library edge points from app/ down to
platform/, so there is no cycle, and no library of the program links GoogleTest.
Reads the dependency graph CMake writes for a configured build folder.
   python3 scripts/check_layers.py build/native build/win32"""
import re
import subprocess
import sys
import tempfile

# Lower layers first; a library may depend only on libraries listed before it.
LAYERS = ["tq_platform", "tq_platform_win32", "tq_base", "tq_afx_templates", "tq_afx",
          "tq_update", "tq_install", "tq_browser", "tq_ui", "tq_app"]
RANK = {name: i for i, name in enumerate(LAYERS)}


def edges(build_dir):
    with tempfile.TemporaryDirectory() as tmp:
        dot = tmp + "/deps.dot"
        subprocess.run(["cmake", "--graphviz=" + dot, build_dir], check=True, stdout=subprocess.DEVNULL)
        text = open(dot).read()
    names = dict(re.findall(r'"(node\d+)" \[ label = "([^"]+)"', text))
    return {(names[a], names[b]) for a, b in re.findall(r'"(node\d+)" -> "(node\d+)"', text)}


def problems(build_dir):
    found = []
    for a, b in sorted(edges(build_dir)):
        if a not in RANK:
            continue  # tests, tools and benchmarks may use any layer
        if "gtest" in b.lower():
            found.append("%s links GoogleTest (%s)" % (a, b))
        elif b in RANK and RANK[b] >= RANK[a]:
            found.append("%s depends on %s, which is not below it" % (a, b))
        elif b.startswith("tq_") and b not in RANK:
            found.append("%s depends on %s, which is not a layer of the program" % (a, b))
    return found


def main(dirs):
    failed = False
    for d in dirs:
        for p in problems(d):
            print("%s: %s" % (d, p))
            failed = True
    print("layers: %s" % ("FAILED" if failed else "every dependency points down, no program library links GoogleTest"))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:] or ["build/native"]))
