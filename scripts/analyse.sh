#!/usr/bin/env bash
# cppcheck and clang-tidy over the portable sources: the code the native
# tests reach, plus the framework's byte parsers. Both must be clean.
#   scripts/analyse.sh [native build dir, default build/native]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/native}
JOBS=${JOBS:-$(nproc)}
OUT=build/analysis
mkdir -p "$OUT"

SOURCES=(base/*.cpp update/*.cpp install/*.cpp ui/Layout.cpp browser/StartPage.cpp
         afx/templates/*.cpp)

echo "-- cppcheck"
cppcheck --quiet --error-exitcode=1 -j "$JOBS" --std=c++17 --language=c++ \
  --enable=warning,style,performance,portability --inline-suppr \
  --suppressions-list=scripts/analysis/cppcheck-suppressions.txt \
  --cppcheck-build-dir="$OUT" -I . -I "$BUILD/generated" "${SOURCES[@]}"

echo "-- clang-tidy"
# clang knows no execution character set but UTF-8; the flag changes no
# code path, so the copy of the compile commands it reads goes without it.
python3 - "$BUILD/compile_commands.json" "$OUT/compile_commands.json" <<'PY'
import json, sys
cmds = json.load(open(sys.argv[1]))
for c in cmds:
    c["command"] = c["command"].replace("-fexec-charset=CP936", "")
json.dump(cmds, open(sys.argv[2], "w"))
PY
printf '%s\n' "${SOURCES[@]}" | xargs -P "$JOBS" -n 4 clang-tidy --quiet -p "$OUT" 2>/dev/null
