#!/usr/bin/env bash
# Builds the art generator natively (Linux, libgd) and paints every asset.
#
# usage: tools/artgen/regenerate.sh [outdir [contact-sheet]]
#   outdir         where pictures/, sprites/, preview/ and icon/ go (default: the repo's resources/)
#   contact-sheet  the review sheet (default: docs/contact-sheet.png for the default outdir,
#                  <outdir>/contact-sheet.png otherwise)
# ARTGEN_BUILD_DIR overrides the build folder (default: tools/artgen/build, ignored by git).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)

if [ $# -ge 1 ]; then
  out=$1
  sheet=${2:-$out/contact-sheet.png}
else
  out=$repo/resources
  sheet=$repo/docs/contact-sheet.png
fi
build=${ARTGEN_BUILD_DIR:-$here/build}

# Keep whatever generator an existing build folder was made with; prefer Ninja for a new one.
configure=(-S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release)
if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then
  configure+=(-G Ninja)
fi
cmake "${configure[@]}" >/dev/null
cmake --build "$build" --target artgen --parallel >/dev/null

mkdir -p "$out"
"$build/artgen" "$out" "$sheet"
