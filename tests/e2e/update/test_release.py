"""The maker's release step (scripts/release.sh) on the built 5.0.0.1 program:
what it writes, signed for updates and for Windows, and what it refuses to
publish. No Wine needed."""

import hashlib
import os
import shutil
import subprocess
import tempfile
import unittest

import yaml

from tests.harness.signing import REPO, SIGNING_KEY, STRANGER_KEY, TestCA

RELEASE = os.path.join(REPO, "scripts", "release.sh")
SOFTHSM = "/usr/lib/softhsm/libsofthsm2.so"


class ReleaseStep(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="release-")
        cls.ca = TestCA(os.path.join(cls.root, "ca"))
        cls.pfx = cls.ca.pfx("signer", password="TEST-ONLY pass")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, True)

    def setUp(self):
        self.exe = os.environ["TQ_EXE_5001"]
        self.out = tempfile.mkdtemp(prefix="update-", dir=self.root)
        os.rmdir(self.out)

    def release(self, *args, password=None, env=None):
        env = dict(os.environ, **(env or {}))
        env.pop("TQ_AUTHENTICODE_PASSWORD", None)
        if password is not None:
            env["TQ_AUTHENTICODE_PASSWORD"] = password
        return subprocess.run(["bash", RELEASE] + list(args), capture_output=True, text=True, env=env)

    def expect_released(self, r):
        """The directory written: update.txt announcing 5.0.0.1 and a
        signature by the update key over the executable's exact bytes."""
        self.assertEqual(0, r.returncode, r.stderr)
        self.assertEqual(["tarnquill.exe", "tarnquill.exe.sig", "update.txt"], sorted(os.listdir(self.out)))
        with open(os.path.join(self.out, "update.txt"), "rb") as f:
            self.assertEqual(b"5.0.0.1", f.read())
        sig = os.path.join(self.out, "tarnquill.exe.sig")
        self.assertEqual(384, os.path.getsize(sig))
        pub = subprocess.run(["openssl", "rsa", "-in", SIGNING_KEY, "-pubout"], capture_output=True).stdout
        pub_path = os.path.join(self.root, "pub.pem")
        with open(pub_path, "wb") as f:
            f.write(pub)
        verify = subprocess.run(["openssl", "dgst", "-sha256", "-verify", pub_path, "-signature", sig,
                                 os.path.join(self.out, "tarnquill.exe")], capture_output=True)
        self.assertEqual(0, verify.returncode)

    def authenticode(self):
        """osslsigncode's check of the released executable against the test
        authority alone: (passed, its report)."""
        r = subprocess.run(["osslsigncode", "verify", "-CAfile", self.ca.cert,
                            "-in", os.path.join(self.out, "tarnquill.exe")], capture_output=True, text=True)
        return r.returncode == 0, r.stdout + r.stderr

    def test_a_test_release_writes_the_signed_directory(self):
        self.expect_released(self.release("--test-release", self.exe, SIGNING_KEY, self.out))
        with open(self.exe, "rb") as built, open(os.path.join(self.out, "tarnquill.exe"), "rb") as out:
            self.assertEqual(built.read(), out.read())
        self.assertFalse(self.authenticode()[0])

    def test_an_authenticode_release_signs_for_windows_then_for_the_update(self):
        r = self.release("--test-release", "--authenticode", self.pfx, self.exe, SIGNING_KEY, self.out,
                         password="TEST-ONLY pass")
        self.expect_released(r)
        passed, report = self.authenticode()
        self.assertTrue(passed, report)
        self.assertIn("Message digest algorithm  : SHA256", report)
        self.assertIn("Text description: Veltrano tarnquill", report)
        self.assertIn("URL description: http://www.veltrano.example/", report)

    def test_winget_manifests_name_the_published_bytes_at_a_release_address(self):
        url = "https://downloads.veltrano.example/tarnquill/5.0.0.1/tarnquill.exe"
        r = self.release("--test-release", "--authenticode", self.pfx, "--winget-url", url, self.exe, SIGNING_KEY,
                         self.out, password="TEST-ONLY pass")
        self.assertEqual(0, r.returncode, r.stderr)
        folder = os.path.join(self.out, "winget")
        self.assertEqual(["Veltrano.tarnquill.installer.yaml", "Veltrano.tarnquill.locale.zh-CN.yaml",
                          "Veltrano.tarnquill.yaml"], sorted(os.listdir(folder)))
        manifests = {}
        for name in os.listdir(folder):
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                manifest = yaml.safe_load(f)
            self.assertEqual("Veltrano.tarnquill", manifest["PackageIdentifier"])
            self.assertEqual("5.0.0.1", manifest["PackageVersion"])
            self.assertEqual("1.6.0", manifest["ManifestVersion"])
            manifests[manifest["ManifestType"]] = manifest
        self.assertEqual("zh-CN", manifests["version"]["DefaultLocale"])
        locale = manifests["defaultLocale"]
        for field in ("PackageLocale", "Publisher", "PackageName", "License", "ShortDescription"):
            self.assertTrue(locale.get(field), field)
        installer = manifests["installer"]
        with open(os.path.join(self.out, "tarnquill.exe"), "rb") as f:
            published = hashlib.sha256(f.read()).hexdigest().upper()
        self.assertEqual([{"Architecture": "x86", "InstallerUrl": url, "InstallerSha256": published}],
                         installer["Installers"])
        self.assertEqual(("exe", "machine", "elevationRequired"),
                         (installer["InstallerType"], installer["Scope"], installer["ElevationRequirement"]))
        self.assertEqual({"Silent": "/install /quiet", "SilentWithProgress": "/install /quiet"},
                         installer["InstallerSwitches"])
        self.assertEqual({10: "contactSupport", 11: "diskFull", 12: "installInProgress", 13: "contactSupport"},
                         {c["InstallerReturnCode"]: c["ReturnResponse"] for c in installer["ExpectedReturnCodes"]})
        self.assertEqual([{"DisplayName": "Veltrano", "Publisher": "Veltrano", "DisplayVersion": "5.0.0.1"}],
                         installer["AppsAndFeaturesEntries"])

    def test_a_winget_address_that_does_not_name_the_release_is_refused(self):
        for url in ("http://www.veltrano.example/tarnquill/update/tarnquill.exe",
                    "http://www.veltrano.example/tarnquill/update/tarnquill.exe?v=5.0.0.1",
                    "https://downloads.veltrano.example/5.0.0.10/tarnquill.exe",
                    "ftp://downloads.veltrano.example/5.0.0.1/tarnquill.exe"):
            with self.subTest(url):
                r = self.release("--test-release", "--winget-url", url, self.exe, SIGNING_KEY, self.out)
                self.assertNotEqual(0, r.returncode)
                self.assertIn("does not name version 5.0.0.1", r.stderr)
                self.assertFalse(os.path.exists(self.out))

    def test_refusals_write_nothing(self):
        stranger = self.ca.pfx("no-code-signing", usage="none", password="")
        # Built to trust the maker's key and, besides it, the test key.
        maker = os.path.join(os.path.dirname(self.out), "maker.pem")
        subprocess.run(["openssl", "genrsa", "-out", maker, "3072"], check=True, capture_output=True)
        blob = subprocess.run(["openssl", "rsa", "-in", maker, "-pubout", "-outform", "MSBLOB"],
                              check=True, capture_output=True).stdout
        trusting_both = os.path.join(os.path.dirname(self.out), "tarnquill.exe")
        with open(self.exe, "rb") as f, open(trusting_both, "wb") as g:
            g.write(f.read() + blob)
        cases = {
            "an executable that also trusts a test key": ([trusting_both, maker], None, "test key"),
            "the test key without --test-release": ([self.exe, SIGNING_KEY], None, "test key"),
            "a key the executable does not embed": (["--test-release", self.exe, STRANGER_KEY], None,
                                                    "does not embed"),
            "a wrong password": (["--test-release", "--authenticode", self.pfx, self.exe, SIGNING_KEY],
                                 "wrong", "wrong password"),
            "no password": (["--test-release", "--authenticode", self.pfx, self.exe, SIGNING_KEY],
                            None, "wrong password"),
            "a PFX without a code-signing certificate":
                (["--test-release", "--authenticode", stranger, self.exe, SIGNING_KEY], "",
                 "not for code signing"),
        }
        for name, (args, password, why) in cases.items():
            with self.subTest(name):
                r = self.release(*args, self.out, password=password)
                self.assertNotEqual(0, r.returncode)
                self.assertIn(why, r.stderr)
                self.assertFalse(os.path.exists(self.out))

    def test_a_key_on_a_token_signs_through_pkcs11(self):
        if not (os.path.exists(SOFTHSM) and shutil.which("softhsm2-util")):
            self.skipTest("SoftHSM2 is not installed (bash scripts/setup.sh)")
        tokens = os.path.join(self.root, "tokens")
        os.makedirs(tokens)
        conf = os.path.join(self.root, "softhsm2.conf")
        with open(conf, "w") as f:
            f.write("directories.tokendir = %s\nobjectstore.backend = file\n" % tokens)
        env = {"SOFTHSM2_CONF": conf}
        cert, key = self.ca.issue("token-signer", "code")
        chain = os.path.join(self.root, "token-chain.pem")
        with open(chain, "wb") as f:
            for part in (cert, self.ca.cert):
                with open(part, "rb") as p:
                    f.write(p.read())
        pkcs8 = os.path.join(self.root, "token-signer.p8")
        subprocess.run(["openssl", "pkcs8", "-topk8", "-nocrypt", "-in", key, "-out", pkcs8], check=True)
        for step in (["--init-token", "--free", "--label", "tq", "--pin", "1234", "--so-pin", "5678"],
                     ["--import", pkcs8, "--token", "tq", "--label", "signer", "--id", "01", "--pin", "1234"]):
            subprocess.run(["softhsm2-util"] + step, check=True, capture_output=True,
                           env=dict(os.environ, **env))
        args = ["--test-release", "--pkcs11-module", SOFTHSM, "--pkcs11-cert", chain,
                "--pkcs11-key", "pkcs11:token=tq;object=signer;type=private", self.exe, SIGNING_KEY, self.out]

        r = self.release(*args, password="4321", env=env)
        self.assertNotEqual(0, r.returncode)
        self.assertIn("wrong password or PIN", r.stderr)
        self.assertFalse(os.path.exists(self.out))

        self.expect_released(self.release(*args, password="1234", env=env))
        passed, report = self.authenticode()
        self.assertTrue(passed, report)


if __name__ == "__main__":
    unittest.main()
