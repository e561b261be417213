"""Runs the tests of one test file (what CTest calls for each test_*.py).

Usage: python3 -m harness.runfile path/to/test_x.py
Fails when the file holds no test, so a file that lost its tests is noticed.
"""

import importlib.util
import os
import sys
import unittest


def main(argv):
    if len(argv) != 2:
        print(__doc__)
        return 2
    path = os.path.abspath(argv[1])
    name = "e2e_" + os.path.splitext(os.path.basename(path))[0]
    spec = importlib.util.spec_from_file_location(name, path)
    module = importlib.util.module_from_spec(spec)
    sys.modules[name] = module
    spec.loader.exec_module(module)
    suite = unittest.defaultTestLoader.loadTestsFromModule(module)
    if suite.countTestCases() == 0:
        print("no tests in %s" % path)
        return 1
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
