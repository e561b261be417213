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

echo "== native unit tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
cmake --preset native-asan >/dev/null
cmake --build --preset native-asan -j "$JOBS"
ctest --preset native-asan -j "$JOBS"

echo "== fuzz targets, 5 s each (scripts/fuzz.sh 1800 is the long run) =="
JOBS=$JOBS bash scripts/fuzz.sh 5

echo "== static analysis: cppcheck and clang-tidy =="
JOBS=$JOBS bash scripts/analyse.sh build/native

echo "== win32 build =="
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$JOBS"

echo "== layers: dependencies point from app/ down to platform/ =="
python3 scripts/check_layers.py build/native build/win32

echo "== the README's run command: the walkthrough, headless =="
bash scripts/run.sh

echo "== Windows-side unit tests and end-to-end tests under Wine =="
ctest --preset win32
