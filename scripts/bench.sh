#!/usr/bin/env bash
# Builds the release program with the benchmark programs and measures it
# beside its references under Wine; prints the table and writes
# docs/BENCHMARKS.md. Not part of the tests.
#   bash scripts/bench.sh [--runs N] [--download-runs N] [--memory-rounds N]
#                         [--skip size,startup,memory,download,install]
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

bench_build() {  # directory toolchain
  cmake -S . -B "$1" -G Ninja -DTQ_WERROR=ON -DTQ_BENCH=ON -DCMAKE_BUILD_TYPE=MinSizeRel \
        -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/$2" >/dev/null
  cmake --build "$1" -j "$JOBS" --target tarnquill tq_ref_browser tq_bench_download tq_bench_install
}
# The size is always the shipped 32-bit program's. Where 32-bit code cannot
# execute, what runs under Wine is the 64-bit build of the same sources and
# of the reference, so the ratios still compare like with like.
bench_build "$BUILD" mingw-i686.cmake
WINE_BUILD=$BUILD
source scripts/wine_arch.sh
if [[ "$(wine_preset)" == win64 ]]; then
  WINE_BUILD=${BENCH_BUILD64_DIR:-${BUILD}64}
  bench_build "$WINE_BUILD" mingw-x86_64.cmake
fi

mkdir -p "$WORK"
TQ_BUILD_DIR="$WORK" python3 -B -m bench.run --build "$BUILD" --wine-build "$WINE_BUILD" \
  --out docs/BENCHMARKS.md "$@"
if [[ -z "${BENCH_WORK_DIR:-}" ]]; then rm -rf "$WORK"; fi
