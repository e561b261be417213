#!/usr/bin/env bash
# Installs what is missing, builds both builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
JOBS=$(nproc)

echo "== native build and unit tests =="
cmake --preset native >/dev/null
cmake --build --preset native -j "$JOBS"
ctest --preset native -j "$JOBS"

echo "== win32 build, Windows-side unit tests and end-to-end tests under Wine =="
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$JOBS"
ctest --preset win32
