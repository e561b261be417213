#!/usr/bin/env bash
# Installs what is missing, builds both builds and runs every test.
# Where this machine cannot execute 32-bit code, the Wine-run tests and the
# walkthrough use the 64-bit test build (preset win64) instead; the shipped
# 32-bit build is still built and checked.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine_arch.sh
bash scripts/setup.sh
JOBS=$(nproc)
TQ_WINE_PRESET=$(wine_preset)
export TQ_WINE_PRESET

echo "== native build and unit tests =="
cmake --preset native >/dev/null
cmake --build --preset native -j "$JOBS"
ctest --preset native -j "$JOBS"

echo "== native unit tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
cmake --preset native-asan >/dev/null
cmake --build --preset native-asan -j "$JOBS"
ctest --preset native-asan -j "$JOBS"

echo "== native unit tests under ThreadSanitizer: the update's workers on threads of their own =="
cmake --preset native-tsan >/dev/null
cmake --build --preset native-tsan -j "$JOBS"
ctest --preset native-tsan -j "$JOBS"

echo "== fuzz targets, 5 s each (scripts/fuzz.sh 1800 is the long run) =="
JOBS=$JOBS bash scripts/fuzz.sh 5

echo "== static analysis: cppcheck and clang-tidy =="
JOBS=$JOBS bash scripts/analyse.sh build/native

echo "== win32 build =="
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$JOBS"

echo "== layers: dependencies point from app/ down to platform/ =="
python3 scripts/check_layers.py build/native build/win32

# The README's run command (bash scripts/run.sh) runs once, headless, as the
# end-to-end test e2e.walkthrough.test_walkthrough of the suite below.
if [ "$TQ_WINE_PRESET" = win32 ]; then
  echo "== Windows-side unit tests and end-to-end tests under Wine, with the run command =="
  ctest --preset win32
  exit 0
fi

echo "== win64 test build =="
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$JOBS"

echo "== Windows-side unit tests and end-to-end tests of the win64 build under 64-bit Wine, with the run command =="
ctest --preset win64
