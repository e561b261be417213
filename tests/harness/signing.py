"""Signatures as the maker's release step makes them (openssl, RSA-3072,
PKCS#1 v1.5 over SHA-256), with the test keys of tests/keys."""

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


def release(exe, out_dir):
    """Runs the release step (as a test release) into out_dir."""
    subprocess.run(["bash", os.path.join(REPO, "scripts", "release.sh"), "--test-release",
                    exe, SIGNING_KEY, out_dir], check=True, stdout=subprocess.DEVNULL)
