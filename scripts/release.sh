#!/usr/bin/env bash
# The maker's release step: writes an update directory that any static web
# host can serve as /tarnquill/update/.
#
#   bash scripts/release.sh [--test-release] [AUTHENTICODE] [--timestamp URL] [--winget-url URL] EXE KEY OUTDIR
#
# EXE     the built tarnquill.exe to publish
# KEY     the PEM private key that signs it (RSA-3072, kept offline)
# OUTDIR  written: tarnquill.exe, tarnquill.exe.sig (384 bytes, RSA PKCS#1
#         v1.5 over SHA-256) and, last, update.txt (the executable's own file
#         version, no line end)
#
# AUTHENTICODE signs the published copy for Windows (osslsigncode, SHA-256,
# the publisher's name and address) before the update signature is made over
# its final bytes; the password or PIN is TQ_AUTHENTICODE_PASSWORD (empty
# when unset). One of:
#   --authenticode PFX            a PKCS#12 file with a code-signing certificate
#   --pkcs11-module SO --pkcs11-cert CERT --pkcs11-key URI
#                                 a key on a token: the PKCS#11 module, the
#                                 certificate (PEM, with its chain) and the
#                                 key's pkcs11: URI
# --publisher NAME, --publisher-url URL  what the signature names (defaults:
#                                 Veltrano tarnquill, http://www.veltrano.example/)
# --timestamp URL                 an RFC 3161 time-stamping server
# --winget-url URL                also writes OUTDIR/winget/, the Windows Package
#                                 Manager's manifests (version, installer, default
#                                 locale) of the silent installation for every user,
#                                 with the SHA-256 of the published bytes; URL is
#                                 where this release's executable stays for good, and
#                                 its path must name the version (scripts/winget_manifests.py)
#
# Refuses an executable that does not embed the public half of KEY (the
# update would never verify), and, unless --test-release is given (the test
# keys' private halves are public), the test keys of tests/keys as KEY and
# an executable that embeds any of their public halves.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"

usage() {
  echo "usage: bash scripts/release.sh [--test-release] [--authenticode PFX |" \
       "--pkcs11-module SO --pkcs11-cert CERT --pkcs11-key URI] [--publisher NAME]" \
       "[--publisher-url URL] [--timestamp URL] [--winget-url URL] EXE KEY OUTDIR" >&2
  exit 2
}
test_release=0
pfx="" p11_module="" p11_cert="" p11_key="" timestamp="" winget_url=""
publisher="Veltrano tarnquill" publisher_url="http://www.veltrano.example/"
while [ $# -gt 0 ]; do
  case "$1" in
    --test-release) test_release=1; shift ;;
    --authenticode|--pkcs11-module|--pkcs11-cert|--pkcs11-key|--publisher|--publisher-url|--timestamp|--winget-url)
      [ $# -ge 2 ] || usage
      case "$1" in
        --authenticode) pfx="$2" ;;
        --pkcs11-module) p11_module="$2" ;;
        --pkcs11-cert) p11_cert="$2" ;;
        --pkcs11-key) p11_key="$2" ;;
        --publisher) publisher="$2" ;;
        --publisher-url) publisher_url="$2" ;;
        --timestamp) timestamp="$2" ;;
        --winget-url) winget_url="$2" ;;
      esac
      shift 2 ;;
    --*) usage ;;
    *) break ;;
  esac
done
[ $# -eq 3 ] || usage
exe="$1"; key="$2"; out="$3"
fail() { echo "release: $*" >&2; exit 1; }
[ -f "$exe" ] || fail "no executable at $exe"
[ -f "$key" ] || fail "no key at $key"
token=0
if [ -n "$p11_module$p11_cert$p11_key" ]; then
  token=1
  [ -n "$p11_module" ] && [ -n "$p11_cert" ] && [ -n "$p11_key" ] ||
    fail "a token needs --pkcs11-module, --pkcs11-cert and --pkcs11-key"
  [ -z "$pfx" ] || fail "sign from a PFX or from a token, not both"
fi

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

if [ -n "$winget_url" ]; then
  python3 "$here/scripts/winget_manifests.py" check-url "$winget_url" "$version" || exit 1
fi

# The copy Windows sees is signed and checked here, before anything is
# written: a refused signer leaves no directory behind.
cp "$exe" "$work/tarnquill.exe"
if [ -n "$pfx" ] || [ $token -eq 1 ]; then
  bash "$here/scripts/authenticode.sh" "$work" "$pfx" "$p11_module" "$p11_cert" "$p11_key" \
    "$publisher" "$publisher_url" "$timestamp" || exit 1
fi

mkdir -p "$out"
# Written beside their final names and moved in whole, so a web server never
# serves half a file; update.txt goes last, once what it announces is there.
cp "$work/tarnquill.exe" "$out/.tarnquill.exe.new"
openssl dgst -sha256 -sign "$key" -out "$out/.tarnquill.exe.sig.new" "$out/.tarnquill.exe.new"
[ "$(stat -c %s "$out/.tarnquill.exe.sig.new")" -eq 384 ] || fail "the signature is not 384 bytes"
openssl dgst -sha256 -verify "$work/pub.pem" -signature "$out/.tarnquill.exe.sig.new" \
  "$out/.tarnquill.exe.new" >/dev/null || fail "the signature just made does not verify"
sync "$out/.tarnquill.exe.new" "$out/.tarnquill.exe.sig.new"
mv -f "$out/.tarnquill.exe.new" "$out/tarnquill.exe"
mv -f "$out/.tarnquill.exe.sig.new" "$out/tarnquill.exe.sig"
if [ -n "$winget_url" ]; then
  # The hash of the bytes published, Authenticode signature included.
  sha="$(sha256sum "$out/tarnquill.exe" | cut -d' ' -f1)"
  rm -rf "$out/winget"
  python3 "$here/scripts/winget_manifests.py" write "$out/winget" "$version" "$winget_url" "$sha" || exit 1
fi
printf '%s' "$version" > "$out/.update.txt.new"
sync "$out/.update.txt.new"
mv -f "$out/.update.txt.new" "$out/update.txt"
echo "released $version in $out (upload tarnquill.exe and tarnquill.exe.sig before update.txt)"
if [ -n "$winget_url" ]; then
  echo "winget manifests in $out/winget (publish tarnquill.exe at $winget_url first)"
fi
