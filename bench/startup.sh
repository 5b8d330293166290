#!/usr/bin/env bash
# Start-up: from the creation of the process until the stage's picture is on
# screen, against a bare program that shows one full-screen window, both
# started by the same driver in the same Wine session; with a bare Wine
# process start for context. At 1024 x 768 the stage shows a built-in
# picture; at 1920 x 1080 a cache picture, the cache having been built
# beforehand (untimed), so these are the runs after the first. With them,
# the start taken apart phase by phase inside the process.
set -euo pipefail
# shellcheck source=bench/common/lib.sh
source "$(dirname "$0")/common/lib.sh"

colour=1E64C8 # the bare window's: bright enough to tell from a blank screen

# What bench_startup_phases times, in the order it prints them.
phases=(controls early stage holder sarvane skimmer calderine progress thornax settings check show paint decode)
declare -A phase_labels=(
  [controls]="common controls (InitCommonControlsEx)"
  [early]="starting the early decode of the cache picture"
  [stage]="window from its layout: the stage"
  [holder]="window from its layout: the picture holder"
  [sarvane]="window from its layout: the Sarvane"
  [skimmer]="window from its layout: the Tarn Skimmer"
  [calderine]="window from its layout: the Calderine"
  [progress]="window from its layout: the progress window"
  [thornax]="window from its layout: the Thornax"
  [settings]="reading the five settings"
  [check]="cache check"
  [show]="the stage's show handler (check, settings, picture)"
  [paint]="the stage's first paint"
  [decode]="decoding the picture, on its own"
)
window=$(winpath "$BENCH_BIN/bench_window.exe")
saver=$(winpath "$BENCH_SAVER")

for size in 1024x768 1920x1080; do
  bench_session "$size"
  directory=$BENCH_WORK/startup-$size
  mkdir -p "$directory"
  if [ "${size%x*}" = 1024 ]; then
    picture=$bench_root/resources/pictures/Dolphin.jpg use_cache=0
  else
    (cd "$directory" && "$WINE" "$BENCH_BIN/bench_cache.exe" build >/dev/null)
    picture=$directory/SarvaneShuttle_Dolphin.jpg use_cache=1
  fi
  for round in $(seq "$BENCH_RUNS"); do
    bench_note "startup $size, round $round of $BENCH_RUNS"
    # Every round starts from the same settings: Dolphin, the first craft.
    printf '[Settings]\r\nBackgroundId=0\r\nVesselIndex=0\r\nUseImageFiles=%s\r\n' "$use_cache" \
      >"$WINEPREFIX/drive_c/windows/SarvaneShuttle.ini"
    contenders=(saver bare phases) && [ "$size" != 1024x768 ] || contenders+=(process)
    for contender in $(bench_rotate "$round" "${contenders[@]}"); do
      case $contender in
        saver) bench_wine "saver-$size" bench_startup "$(winpath "$directory")" "$(winpath "$picture")" "$saver" /s ;;
        bare) bench_wine "bare-$size" bench_startup "$(winpath "$directory")" "$colour" "$window" "$colour" ;;
        phases) (cd "$directory" && bench_wine_line "${phases[*]/#/phase-$size-}" bench_startup_phases) ;;
        process) bench_wine process bench_startup "$(winpath "$directory")" exit "$window" /exit ;;
      esac
    done
  done

  bench_heading "Start-up at ${size/x/ x }, from process creation to the picture on screen"
  bench_row "the screensaver (/s): stage with its picture" "saver-$size"
  bench_row "bare program with one full-screen window" "bare-$size"
  bench_compare "screensaver - bare program" difference "saver-$size" "bare-$size" '<=' 100
  [ "$size" != 1024x768 ] || bench_row "bare Wine process start, until it has ended" process

  bench_heading "Start-up at ${size/x/ x }, phase by phase inside the process"
  for phase in "${phases[@]}"; do
    bench_row "${phase_labels[$phase]}" "phase-$size-$phase"
  done
done
