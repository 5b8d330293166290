#!/usr/bin/env bash
# Broken cache files: one campaign of FUZZ_CASES cases (10000 unless given)
# of FUZZ_SEED (1) through the stage's presence test and the decoder, by
# tests/fuzz/fuzz-cache.sh at 1280 x 1024 (the seeds and how a case runs are
# described there and in tests/fuzz/CacheFuzz.cpp). One campaign, not rounds:
# the case times are over its cases. No case may crash, hang (2 s of processor
# time) or show a picture of the wrong size.
set -euo pipefail
# shellcheck source=bench/common/lib.sh
source "$(dirname "$0")/common/lib.sh"

cases=${FUZZ_CASES:-10000} seed=${FUZZ_SEED:-1} size=1280x1024
bench_session 1024x768
fuzz=$BENCH_WORK/fuzz
bench_note "cache fuzzing: $cases cases of seed $seed at $size"
status=0
"$bench_root/tests/fuzz/fuzz-cache.sh" "$WINE" "$bench_root/build/win64/tests/cache_fuzz.exe" "$fuzz" "$seed" \
  "$cases" "$size" >"$BENCH_WORK/fuzz.out" 2>&1 || status=$?
if [ ! -s "$fuzz/summary" ]; then
  cat "$BENCH_WORK/fuzz.out" >&2
  exit 1
fi
[ "$status" -eq 0 ] || grep FAILED "$BENCH_WORK/fuzz.out" >&2 || true

get() { sed -n "s/^$1 //p" "$fuzz/summary"; }
# figure NAME VALUE: a campaign's single figure, kept as a figure of one round.
figure() { echo "$2" >"$BENCH_DATA/$1"; }
figure cases-per-second "$(get cases_per_second)"
figure crashes "$(get crash)"
figure hangs "$(get hang)"
figure wrong "$(($(get wrong-size) + $(get intact_refused)))"
figure shown "$(get shown)"
figure fallback "$(get fallback)"
figure refused-size "$(get refused-size)"
figure refused-other "$(($(get refused-decodes) + $(get refused-error)))"
figure refused-decodes "$(get refused-decodes)"
figure peak "$(get peak_mb)"
cp "$fuzz/case-ms" "$BENCH_DATA/case-ms"
cp "$fuzz/case-processor-ms" "$BENCH_DATA/case-processor-ms"

BENCH_HEADING="Cache fuzzing at $size, $(get cases) cases of seed $seed from $(get seed_files) seed files"
printf '\n%s (one campaign of %s s)\n' "$BENCH_HEADING" "$(get seconds)"
printf '%-52s %9s %9s %9s\n' "" min median max
bench_row "one case, by the clock" case-ms
bench_row "one case, processor time" case-processor-ms
bench_figure "cases per second, the whole campaign" cases-per-second "cases/s"
BENCH_DIGITS=0
BENCH_TARGET_ON=max
bench_figure "crashes" crashes cases '<=' 0
bench_figure "hangs (2 s of processor time)" hangs cases '<=' 0
bench_figure "shown at a wrong size, or a whole seed not shown" wrong cases '<=' 0
bench_figure "shown (presence test and decode passed)" shown cases
bench_figure "refused by the decode, the built-in picture shown" fallback cases
bench_figure "refused by the presence test: header of another size" refused-size cases
bench_figure "refused by the presence test: other faults" refused-other cases
bench_figure "  of those, decoded all the same when decoded alone" refused-decodes cases
BENCH_DIGITS=1
bench_figure "peak memory of a driver process" peak MB
echo "longest case by the clock: $(get longest_ms) ms, case $(get longest_case)"
echo "longest case by processor time: $(get longest_processor_ms) ms, case $(get longest_processor_case)"
