#!/usr/bin/env bash
# The release step's Authenticode signature (called by scripts/release.sh):
# signs WORK/tarnquill.exe in place with osslsigncode, SHA-256, and checks the
# signature it made before the update signature is made over these bytes.
#
#   bash scripts/authenticode.sh WORK PFX MODULE CERT KEYURI NAME URL TIMESTAMP
#
# PFX, or else MODULE (a PKCS#11 module), CERT (PEM, leaf first, then its
# chain) and KEYURI (the key's pkcs11: URI on the token). The password or PIN
# is TQ_AUTHENTICODE_PASSWORD, empty when unset; it reaches the tools through
# a file of WORK (mode 600), never the command line, where any local user
# could read it. TIMESTAMP empty: no time stamp.
set -euo pipefail
work="$1" pfx="$2" module="$3" cert="$4" keyuri="$5" name="$6" url="$7" timestamp="$8"
fail() { echo "release: $*" >&2; exit 1; }
command -v osslsigncode >/dev/null || fail "osslsigncode is not installed (bash scripts/setup.sh)"

(umask 077; printf '%s\n' "${TQ_AUTHENTICODE_PASSWORD:-}" > "$work/password")

# The signer's certificates: the leaf, then what the PFX or CERT holds of its
# chain, so the check below needs no store of its own for a private CA.
if [ -n "$pfx" ]; then
  [ -f "$pfx" ] || fail "no PFX at $pfx"
  pkcs12() { openssl pkcs12 -in "$pfx" -passin "file:$work/password" -nokeys "$@" 2>/dev/null ||
             openssl pkcs12 -legacy -in "$pfx" -passin "file:$work/password" -nokeys "$@" 2>/dev/null; }
  pkcs12 -clcerts -out "$work/leaf.pem" ||
    fail "cannot open $pfx: wrong password (TQ_AUTHENTICODE_PASSWORD) or not a PKCS#12 file"
  pkcs12 -cacerts -out "$work/chain.pem" || : > "$work/chain.pem"
  signer=(-pkcs12 "$pfx")
else
  [ -f "$module" ] || fail "no PKCS#11 module at $module"
  [ -f "$cert" ] || fail "no certificate at $cert"
  openssl x509 -in "$cert" -out "$work/leaf.pem" 2>/dev/null || fail "$cert is not a PEM certificate"
  cp "$cert" "$work/chain.pem"
  signer=(-pkcs11module "$module" -certs "$cert" -key "$keyuri")
fi
grep -q 'Code Signing' <(openssl x509 -in "$work/leaf.pem" -noout -ext extendedKeyUsage 2>/dev/null) ||
  fail "the signer's certificate is not for code signing (its extended key usage lacks codeSigning)"

stamp=()
[ -z "$timestamp" ] || stamp=(-ts "$timestamp")
osslsigncode sign "${signer[@]}" -readpass "$work/password" -h sha256 -n "$name" -i "$url" \
  "${stamp[@]}" -in "$work/tarnquill.exe" -out "$work/signed.exe" > "$work/sign.log" 2>&1 ||
  fail "osslsigncode could not sign (wrong password or PIN, or an unusable key):
$(cat "$work/sign.log")"

# The signature must verify up to a root: the system's, or one that came
# with the signer's certificates.
cat "$work/chain.pem" > "$work/roots.pem"
[ ! -f /etc/ssl/certs/ca-certificates.crt ] || cat /etc/ssl/certs/ca-certificates.crt >> "$work/roots.pem"
tsa=()
[ -z "$timestamp" ] || tsa=(-TSA-CAfile "$work/roots.pem")
osslsigncode verify -CAfile "$work/roots.pem" "${tsa[@]}" -in "$work/signed.exe" > "$work/verify.log" 2>&1 ||
  fail "the Authenticode signature just made does not verify:
$(cat "$work/verify.log")"
mv -f "$work/signed.exe" "$work/tarnquill.exe"
rm -f "$work/password"
