#!/usr/bin/env bash
# Builds the program and runs it under Wine as a new user meets it: started
# from the download folder it installs itself, offers the shortcuts, shows the
# page and, 20 seconds later, takes the update from a loopback stand-in for
# the maker's server (serving the 5.0.0.1 build as scripts/release.sh signed
# it with the test key), then restarts into the new version.
#
#   bash scripts/run.sh                 headless: the robot answers Yes, screenshots
#   bash scripts/run.sh --interactive   on $DISPLAY: you answer the prompts
#   other options go to the walkthrough: python3 -m scripts.walkthrough --help
#
# The Wine prefix stays in build/walkthrough/prefix, the screenshots in
# build/walkthrough/shots. Exit status 0 only when every stage happened.
#
# On a machine that cannot execute 32-bit code, 32-bit Wine cannot start:
# the walkthrough then runs the 64-bit test build (build/win64) under 64-bit
# Wine. A --build-dir that is already configured is built as configured.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine_arch.sh

build_dir=""
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build_dir="$2"; args+=("$1" "$2"); shift 2 ;;
    *) args+=("$1"); shift ;;
  esac
done

bash scripts/setup.sh
# Wine's own fonts: without Marlett the caption buttons show letters.
if ! dpkg-query -W -f='${Status}' fonts-wine 2>/dev/null | grep -q "install ok installed"; then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends fonts-wine
fi

preset=$(wine_preset)
if [ -z "$build_dir" ] && [ "$preset" = win64 ]; then
  build_dir=build/win64
  args+=(--build-dir "$build_dir")
fi

echo "== building the program (5.0.0.0) and its 5.0.0.1 build =="
if [ -z "$build_dir" ]; then
  cmake --preset win32 >/dev/null
  cmake --build --preset win32
else
  [ -f "$build_dir/CMakeCache.txt" ] || cmake --preset "$preset" -B "$build_dir" >/dev/null
  cmake --build "$build_dir"
fi

echo "== walkthrough under Wine =="
# -B: nothing of the run lands in the source tree.
exec python3 -B -m scripts.walkthrough ${args[@]+"${args[@]}"}
