"""Signatures as the maker's release step makes them (openssl, RSA-3072,
PKCS#1 v1.5 over SHA-256), with the test keys of tests/keys; and a test
certificate authority made at run time, for Authenticode and TLS."""

import os
import subprocess

KEYS = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "keys")
SIGNING_KEY = os.path.join(KEYS, "TEST-ONLY-update-signing-key.pem")
STRANGER_KEY = os.path.join(KEYS, "TEST-ONLY-stranger-key.pem")
REPO = os.path.dirname(os.path.dirname(KEYS))


def sign(data, key=SIGNING_KEY):
    """The 384 signature bytes of data, most significant first."""
    return subprocess.run(["openssl", "dgst", "-sha256", "-sign", key], input=data,
                          stdout=subprocess.PIPE, check=True).stdout


def release(exe, out_dir, pfx=None, password=""):
    """Runs the release step (as a test release) into out_dir, signed for
    Windows with pfx when given."""
    extra = ["--authenticode", pfx] if pfx else []
    env = dict(os.environ, TQ_AUTHENTICODE_PASSWORD=password)
    subprocess.run(["bash", os.path.join(REPO, "scripts", "release.sh"), "--test-release"] + extra +
                   [exe, SIGNING_KEY, out_dir], check=True, stdout=subprocess.DEVNULL, env=env)


USAGES = {"code": "extendedKeyUsage=codeSigning", "tls": "extendedKeyUsage=serverAuth",
          "none": "basicConstraints=CA:FALSE"}


class TestCA:
    """A TEST-ONLY certificate authority in folder (ca.pem, ca.key), made at
    run time and never kept in the repository, and the leaves it issues."""

    def __init__(self, folder):
        self.folder = folder
        os.makedirs(folder, exist_ok=True)
        self.cert = os.path.join(folder, "ca.pem")
        self.key = os.path.join(folder, "ca.key")
        _openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", self.key, "-out", self.cert,
                 "-days", "30", "-subj", "/CN=TEST-ONLY Veltrano CA",
                 "-addext", "basicConstraints=critical,CA:TRUE",
                 "-addext", "keyUsage=critical,keyCertSign,cRLSign")

    def issue(self, name, usage, dns=None):
        """(cert, key) of a leaf for usage ("code", "tls" or "none"),
        with dns as its subject alternative name."""
        base = os.path.join(self.folder, name)
        _openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", base + ".key", "-out", base + ".csr",
                 "-subj", "/CN=TEST-ONLY %s/O=Veltrano" % (dns or name))
        ext = base + ".ext"
        with open(ext, "w") as f:
            f.write("keyUsage=critical,digitalSignature,keyEncipherment\n%s\n" % USAGES[usage])
            if dns:
                f.write("subjectAltName=DNS:%s\n" % dns)
        _openssl("x509", "-req", "-in", base + ".csr", "-CA", self.cert, "-CAkey", self.key,
                 "-CAcreateserial", "-days", "30", "-extfile", ext, "-out", base + ".pem")
        return base + ".pem", base + ".key"

    def pfx(self, name, usage="code", password="TEST-ONLY"):
        """A PKCS#12 file of a new leaf, its key and this authority."""
        cert, key = self.issue(name, usage)
        out = os.path.join(self.folder, name + ".pfx")
        _openssl("pkcs12", "-export", "-inkey", key, "-in", cert, "-certfile", self.cert, "-out", out,
                 "-passout", "pass:" + password)
        return out


def _openssl(*args):
    subprocess.run(("openssl",) + args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
