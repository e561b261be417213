"""Runs the tests of one test file (what CTest calls for each test_*.py).

Usage: python3 -m tests.harness.runfile path/to/test_x.py
Fails when the file holds no test, so a file that lost its tests is noticed.
"""

import importlib.machinery
import os
import sys
import types
import unittest


def main(argv):
    if len(argv) != 2:
        print(__doc__)
        return 2
    path = os.path.abspath(argv[1])
    name = "e2e_" + os.path.splitext(os.path.basename(path))[0]
    loader = importlib.machinery.SourceFileLoader(name, path)
    module = types.ModuleType(name)
    module.__file__ = path
    module.__loader__ = loader
    sys.modules[name] = module
    loader.exec_module(module)
    suite = unittest.defaultTestLoader.loadTestsFromModule(module)
    if suite.countTestCases() == 0:
        print("no tests in %s" % path)
        return 1
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
