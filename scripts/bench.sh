#!/usr/bin/env bash
# Usage: scripts/bench.sh          (BENCH_RUNS=N scripts/bench.sh: N rounds, 7 unless given)
# Installs and builds what is missing, then runs every section script
# bench/*.sh in name order (a new benchmark is one more file there, nothing to
# register), each in X displays and Wine sessions of its own on one Wine
# prefix made here, and prints their tables: min / median / max over the
# rounds, and ratios or differences of figures taken side by side in the same
# round. Ends with status 1 when a median misses its target.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/setup.sh"
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target bench_programs >/dev/null

BENCH_WORK=$(mktemp -d /tmp/sarvane-bench.XXXXXX)
export BENCH_WORK
trap 'rm -rf "$BENCH_WORK"' EXIT

echo "SarvaneShuttle benchmarks, $(date -u '+%Y-%m-%d %H:%M UTC'), ${BENCH_RUNS:-7} rounds;" \
  "$(/usr/lib/wine/wine64 --version), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
touch "$BENCH_WORK/missed"
for section in "$root"/bench/*.sh; do
  # A section that missed a target ends with status 1 after its table; the
  # others still run. One that fails without a miss has no table to trust.
  missed=$(wc -l <"$BENCH_WORK/missed")
  if ! bash "$section" && [ "$(wc -l <"$BENCH_WORK/missed")" = "$missed" ]; then
    echo "bench: $(basename "$section") failed" >&2
    exit 1
  fi
done

if [ -s "$BENCH_WORK/missed" ]; then
  echo
  echo "Missed:"
  sed "s/^/  /" "$BENCH_WORK/missed"
  exit 1
fi
