"""The maker's release step (scripts/release.sh) on the built 5.0.0.1 program:
what it writes, and what it refuses to publish. No Wine needed."""

import os
import shutil
import subprocess
import tempfile
import unittest

from tests.harness.signing import REPO, SIGNING_KEY, STRANGER_KEY

RELEASE = os.path.join(REPO, "scripts", "release.sh")


class ReleaseStep(unittest.TestCase):
    def setUp(self):
        self.exe = os.environ["TQ_EXE_5001"]
        root = tempfile.mkdtemp(prefix="release-")
        self.addCleanup(shutil.rmtree, root, True)
        self.out = os.path.join(root, "update")

    def release(self, *args):
        return subprocess.run(["bash", RELEASE] + list(args), capture_output=True, text=True)

    def test_a_test_release_writes_the_signed_directory(self):
        r = self.release("--test-release", self.exe, SIGNING_KEY, self.out)
        self.assertEqual(0, r.returncode, r.stderr)
        self.assertEqual(["tarnquill.exe", "tarnquill.exe.sig", "update.txt"], sorted(os.listdir(self.out)))
        with open(os.path.join(self.out, "update.txt"), "rb") as f:
            self.assertEqual(b"5.0.0.1", f.read())
        sig = os.path.join(self.out, "tarnquill.exe.sig")
        self.assertEqual(384, os.path.getsize(sig))
        pub = subprocess.run(["openssl", "rsa", "-in", SIGNING_KEY, "-pubout"], capture_output=True).stdout
        pub_path = os.path.join(os.path.dirname(self.out), "pub.pem")
        with open(pub_path, "wb") as f:
            f.write(pub)
        verify = subprocess.run(["openssl", "dgst", "-sha256", "-verify", pub_path, "-signature", sig,
                                 os.path.join(self.out, "tarnquill.exe")], capture_output=True)
        self.assertEqual(0, verify.returncode)

    def test_refusals_write_nothing(self):
        # Built to trust the maker's key and, besides it, the test key.
        maker = os.path.join(os.path.dirname(self.out), "maker.pem")
        subprocess.run(["openssl", "genrsa", "-out", maker, "3072"], check=True, capture_output=True)
        blob = subprocess.run(["openssl", "rsa", "-in", maker, "-pubout", "-outform", "MSBLOB"],
                              check=True, capture_output=True).stdout
        trusting_both = os.path.join(os.path.dirname(self.out), "tarnquill.exe")
        with open(self.exe, "rb") as f, open(trusting_both, "wb") as g:
            g.write(f.read() + blob)
        cases = {
            "an executable that also trusts a test key": ([trusting_both, maker], "test key"),
            "the test key without --test-release": ([self.exe, SIGNING_KEY], "test key"),
            "a key the executable does not embed": (["--test-release", self.exe, STRANGER_KEY],
                                                    "does not embed"),
        }
        for name, (args, why) in cases.items():
            with self.subTest(name):
                r = self.release(*args, self.out)
                self.assertNotEqual(0, r.returncode)
                self.assertIn(why, r.stderr)
                self.assertFalse(os.path.exists(self.out))


if __name__ == "__main__":
    unittest.main()
