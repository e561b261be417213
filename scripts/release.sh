#!/usr/bin/env bash
# The maker's release step: writes an update directory that any static web
# host can serve as /tarnquill/update/.
#
#   bash scripts/release.sh [--test-release] EXE KEY OUTDIR
#
# EXE     the built tarnquill.exe to publish
# KEY     the PEM private key that signs it (RSA-3072, kept offline)
# OUTDIR  written: tarnquill.exe, tarnquill.exe.sig (384 bytes, RSA PKCS#1
#         v1.5 over SHA-256) and, last, update.txt (the executable's own file
#         version, no line end)
#
# Refuses an executable that does not embed the public half of KEY (the
# update would never verify), and, unless --test-release is given (the test
# keys' private halves are public), the test keys of tests/keys as KEY and
# an executable that embeds any of their public halves.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"

test_release=0
if [ "${1:-}" = "--test-release" ]; then test_release=1; shift; fi
if [ $# -ne 3 ]; then
  echo "usage: bash scripts/release.sh [--test-release] EXE KEY OUTDIR" >&2
  exit 2
fi
exe="$1"; key="$2"; out="$3"
fail() { echo "release: $*" >&2; exit 1; }
[ -f "$exe" ] || fail "no executable at $exe"
[ -f "$key" ] || fail "no key at $key"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
openssl rsa -in "$key" -pubout -out "$work/pub.pem" 2>/dev/null || fail "$key is not a private key"
openssl rsa -in "$key" -pubout -outform MSBLOB -out "$work/pub.blob" 2>/dev/null
[ "$(stat -c %s "$work/pub.blob")" -eq 404 ] || fail "$key is not an RSA-3072 key"

for test_blob in "$here"/tests/keys/*.pub.blob; do
  if cmp -s "$work/pub.blob" "$test_blob" && [ $test_release -eq 0 ]; then
    fail "$key is a test key; a release needs the maker's key (or --test-release for a test)"
  fi
done

version="$(python3 - "$exe" "$work/pub.blob" "$test_release" "$here"/tests/keys/*.pub.blob <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
if open(sys.argv[2], "rb").read() not in data:
    sys.exit("release: the executable does not embed this key's public half; "
             "build it with -DTQ_UPDATE_KEYS naming that public key")
# An executable that trusts a test key accepts anything signed with its
# private half, which is public.
for blob in sys.argv[4:]:
    if sys.argv[3] == "0" and open(blob, "rb").read() in data:
        sys.exit("release: the executable also trusts the test key %s; build it without it "
                 "(or --test-release for a test)" % blob)
# The fixed block that follows the version resource's key: the program's
# own code holds the signature word too.
key = "VS_VERSION_INFO".encode("utf-16-le")
at = data.find(struct.pack("<I", 0xFEEF04BD), data.find(key) + len(key)) if key in data else -1
if at < 0 or at + 16 > len(data):
    sys.exit("release: the executable has no version information")
_, _, ms, ls = struct.unpack_from("<IIII", data, at)
print("%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF))
PY
)" || exit 1

mkdir -p "$out"
# Written beside their final names and moved in whole, so a web server never
# serves half a file; update.txt goes last, once what it announces is there.
cp "$exe" "$out/.tarnquill.exe.new"
openssl dgst -sha256 -sign "$key" -out "$out/.tarnquill.exe.sig.new" "$out/.tarnquill.exe.new"
[ "$(stat -c %s "$out/.tarnquill.exe.sig.new")" -eq 384 ] || fail "the signature is not 384 bytes"
openssl dgst -sha256 -verify "$work/pub.pem" -signature "$out/.tarnquill.exe.sig.new" \
  "$out/.tarnquill.exe.new" >/dev/null || fail "the signature just made does not verify"
sync "$out/.tarnquill.exe.new" "$out/.tarnquill.exe.sig.new"
mv -f "$out/.tarnquill.exe.new" "$out/tarnquill.exe"
mv -f "$out/.tarnquill.exe.sig.new" "$out/tarnquill.exe.sig"
printf '%s' "$version" > "$out/.update.txt.new"
sync "$out/.update.txt.new"
mv -f "$out/.update.txt.new" "$out/update.txt"
echo "released $version in $out (upload tarnquill.exe and tarnquill.exe.sig before update.txt)"
