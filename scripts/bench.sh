#!/usr/bin/env bash
# Builds the release program with the benchmark programs and measures it
# beside its references under Wine; prints the table and writes
# docs/BENCHMARKS.md. Not part of the tests.
#   bash scripts/bench.sh [--runs N] [--download-runs N] [--skip size,startup,download,install]
# BENCH_BUILD_DIR (default build/bench) is the build directory; the Wine
# prefix goes under BENCH_WORK_DIR (default: a fresh folder in /tmp). An X
# server is started when DISPLAY is unset.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BENCH_BUILD_DIR:-build/bench}
WORK=${BENCH_WORK_DIR:-$(mktemp -d /tmp/tq-bench-XXXXXX)}
JOBS=${BENCH_JOBS:-2}

bash scripts/setup.sh
# curl is the download reference.
if ! command -v curl >/dev/null; then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends curl
fi

cmake -S . -B "$BUILD" -G Ninja -DTQ_WERROR=ON -DTQ_BENCH=ON -DCMAKE_BUILD_TYPE=MinSizeRel \
      -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$BUILD" -j "$JOBS" --target tarnquill tq_ref_browser tq_bench_download tq_bench_install

mkdir -p "$WORK"
TQ_BUILD_DIR="$WORK" python3 bench/run.py --build "$BUILD" --out docs/BENCHMARKS.md "$@"
if [[ -z "${BENCH_WORK_DIR:-}" ]]; then rm -rf "$WORK"; fi
