#!/usr/bin/env bash
# Builds and runs the art generator's own unit tests (native, next to the generator).
set -euo pipefail
here=$(cd "$(dirname "$0")/../../tools/artgen" && pwd)
build=${ARTGEN_BUILD_DIR:-$here/build}
configure=(-S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release)
if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then configure+=(-G Ninja); fi
cmake "${configure[@]}" >/dev/null
cmake --build "$build" --target artgen_tests --parallel >/dev/null
"$build/artgen_tests" --gtest_brief=1
