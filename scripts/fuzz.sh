#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, separate build) and runs each one for
# a bounded time on the committed seeds plus what earlier runs found.
#   scripts/fuzz.sh            5 s per target, as the test command runs it
#   scripts/fuzz.sh 1800       the long run: half an hour per target
# A finding stops with a non-zero status; the input that broke a property
# is kept as build/fuzz/artifacts/<target>-crash-* for a regression test.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_PER_TARGET=${1:-5}
BUILD=${FUZZ_BUILD:-build/fuzz}
JOBS=${JOBS:-$(nproc)}
TARGETS=(fuzz_compare_versions fuzz_manifest fuzz_own_path fuzz_cstring
         fuzz_dialog_template fuzz_executable_check fuzz_image_version)

cmake -S . -B "$BUILD" -G Ninja -DTQ_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$BUILD" -j "$JOBS" --target fuzz_all

mkdir -p "$BUILD/artifacts"
status=0
for t in "${TARGETS[@]}"; do
  work="$BUILD/corpus/$t"  # new inputs land here, never in the committed seeds
  mkdir -p "$work"
  echo "-- $t: ${SECONDS_PER_TARGET}s"
  if ! "$BUILD/fuzz/$t" -max_total_time="$SECONDS_PER_TARGET" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$BUILD/artifacts/$t-" \
        "$work" "fuzz/corpus/$t" >"$BUILD/$t.log" 2>&1; then
    echo "FINDING in $t (log: $BUILD/$t.log)"
    grep -E "property failed|ERROR: |runtime error" "$BUILD/$t.log" | head -5 || true
    status=1
  else
    grep -E "stat::number_of_executed_units" "$BUILD/$t.log" || true
  fi
done
exit $status
