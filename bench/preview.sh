#!/usr/bin/env bash
# The preview benchmark: how much of a core the screensaver takes while the
# display settings show its preview, and how soon it ends once their window
# hides, against the polling preview loop of before, measured in the same run.
# Usage: bench/preview.sh [rounds] [seconds per round]
# Builds the 64-bit target, then runs in a private virtual display and Wine
# prefix (as scripts/test.sh does) and prints a Markdown table.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-5}
seconds=${2:-3}

cd "$root"
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target preview_bench >/dev/null

# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
private_session sarvane-bench

build="$root/build/win64"
"$WINE" "$build/bench/preview/preview_bench.exe" "$build/SarvaneShuttle.scr" \
  "$build/bench/preview/preview_spinning.exe" "$rounds" "$seconds"
