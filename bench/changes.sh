#!/usr/bin/env bash
# A picture change with the cache in use, at 1920 x 1080 and 3840 x 2160: the
# flight's longest step after an N key (bench_coverstep cache: the Thornax at
# Speed 0, no covers), against the floor of any change, a bare program that
# copies one full-screen 32-bit picture to a full-screen window while a window
# of the Thornax's size flies (bench_barecopy), timed over the same span in
# the same display and round. With them, each part of a change timed on its
# own (bench_cache change), and the run's peak memory.
set -euo pipefail
# shellcheck source=bench/common/lib.sh
source "$(dirname "$0")/common/lib.sh"

changes=9
parts=(read presence decode setpicture clone write repaint)

for size in 1920x1080 3840x2160; do
  bench_session "$size"
  stage=$BENCH_WORK/changes-$size
  mkdir -p "$stage"
  # The cache is built once, untimed: every contender reads the same files.
  (cd "$stage" && "$WINE" "$BENCH_BIN/bench_cache.exe" build >/dev/null)
  for round in $(seq "$BENCH_RUNS"); do
    bench_note "changes $size, round $round of $BENCH_RUNS"
    for contender in $(bench_rotate "$round" step bare parts); do
      case $contender in
        step) (cd "$stage" && bench_wine_line "step-$size peak-$size" bench_coverstep cache "$changes") ;;
        bare) bench_wine "bare-$size" bench_barecopy "$changes" ;;
        parts) (cd "$stage" && bench_wine_line "$(printf "%s-$size " "${parts[@]}")" bench_cache change "$changes") ;;
      esac
    done
  done

  # What a change must do on the user-interface thread whatever else moves:
  # the setting read, the presence test with the shown file's identity, and
  # the id's write. The rest of the step is held against the bare copy.
  paste "$BENCH_DATA/step-$size" "$BENCH_DATA/read-$size" "$BENCH_DATA/presence-$size" \
    "$BENCH_DATA/write-$size" | awk '{ printf "%.17g\n", $1 - $2 - $3 - $4 }' >"$BENCH_DATA/beyond-$size"

  bench_heading "A picture change from the cache at ${size/x/ x }, Thornax at Speed 0"
  bench_row "longest step after a change, in the program" "step-$size"
  bench_row "longest step after a bare full-screen copy" "bare-$size"
  bench_compare "program / bare copy" ratio "step-$size" "bare-$size"
  bench_row "program, less read, presence test and write" "beyond-$size"
  bench_compare "program less those / bare copy" ratio "beyond-$size" "bare-$size" '<=' 1.3
  bench_row "  UseImageFiles read" "read-$size"
  bench_row "  presence test of the five files, identity of one" "presence-$size"
  bench_row "  decode of the file" "decode-$size"
  bench_row "  SetPicture" "setpicture-$size"
  bench_row "  a cover's copy of the picture (Clone)" "clone-$size"
  bench_row "  BackgroundId write" "write-$size"
  bench_row "  the stage's repaint" "repaint-$size"
  bench_figure "the run's peak memory (VmHWM)" "peak-$size" MB
done
