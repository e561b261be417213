#!/usr/bin/env bash
# Installs everything the builds and tests need from Debian's packages.
# Idempotent: packages already present are skipped quickly.
set -euo pipefail

PKGS=(cmake ninja-build g++ clang googletest libgtest-dev
      g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
      wine wine32:i386 wine64 fonts-wine xvfb xauth x11-utils fonts-wqy-microhei imagemagick
      python3 python3-yaml cppcheck clang-tidy libclang-rt-14-dev locales
      nginx openssl libssl-dev osslsigncode softhsm2 libengine-pkcs11-openssl)

missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

# Wine converts arguments and file names through the Unix locale: without a
# generated zh_CN.UTF-8, Chinese texts reach the programs under test garbled.
ensure_locale() {
  locale -a 2>/dev/null | grep -qix 'zh_CN.utf8' || $SUDO localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
}

if [ ${#missing[@]} -eq 0 ]; then
  ensure_locale
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
ensure_locale
