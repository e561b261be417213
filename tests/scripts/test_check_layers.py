"""The layer check's reading of includes: a folder of the tree named in
quotes or in angle brackets is held to the same rules, since the source root
is on the include path and both compile."""
import os
import tempfile
import unittest

from scripts import check_layers


class IncludeRules(unittest.TestCase):
    def problems(self, folder, line):
        with tempfile.TemporaryDirectory() as root:
            for name in ("install", "update", "base", "tests"):
                os.makedirs(os.path.join(root, name))
            with open(os.path.join(root, folder, "Probe.cpp"), "w") as f:
                f.write(line + "\n")
            return check_layers.include_problems(root)

    def test_each_form_is_held_to_the_layers(self):
        rows = [
            ("install", '#include "update/UpdateSettings.h"', True),   # a sibling without an edge
            ("install", "#include <update/UpdateSettings.h>", True),
            ("install", "#  include <update/UpdateSettings.h>", True),
            ("base", "#include <install/SelfInstall.h>", True),       # up from a shared layer
            ("install", "#include <tests/sim/SimKernel.h>", True),    # no layer of the program
            ("install", '#include "base/CString.h"', False),
            ("install", "#include <base/CString.h>", False),
            ("install", "#include <install/OwnPath.h>", False),
            ("install", "#include <sys/types.h>", False),              # not a folder of the tree
            ("install", "#include <windows.h>", False),
            ("install", "// #include <update/UpdateSettings.h>", False),
        ]
        for folder, line, refused in rows:
            with self.subTest(folder=folder, line=line):
                found = self.problems(folder, line)
                self.assertEqual(refused, bool(found), found)
                if refused:
                    self.assertIn("%s/Probe.cpp:1" % folder, found[0])


if __name__ == "__main__":
    unittest.main()
