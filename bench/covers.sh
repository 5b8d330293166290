#!/usr/bin/env bash
# A picture change with a large second monitor: the flight's longest step
# after an N key, with the cover of a 2560 x 1440 monitor beside the 1024 x
# 768 primary, against the same run with the covers taken away, in the same
# nested two-monitor display (bench_coverstep). The covers scale the picture
# on a thread of their own; the flight pays for the copy of the pixels and,
# later, the repaint.
set -euo pipefail
# shellcheck source=bench/common/lib.sh
source "$(dirname "$0")/common/lib.sh"

stop_environment
unset XVFB_PID
start_two_monitors 2560x1440
# Wine reads the monitors from Xinerama only with XRandR off; the other
# sections use plain displays, where both give the one screen.
bench_session_prefix() {
  if [ -d "$BENCH_WORK/prefix" ]; then
    export WINEPREFIX=$BENCH_WORK/prefix WINEARCH=win64
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /d N /f >/dev/null 2>&1
    "$WINESERVER" -k 2>/dev/null || true
    "$WINESERVER" -w
    "$WINESERVER" -p </dev/null >/dev/null 2>&1
    "$WINE" cmd /c exit >/dev/null 2>&1 || true
  else
    make_prefix "$BENCH_WORK/prefix" 96 N
  fi
}
bench_session_prefix

for round in $(seq "$BENCH_RUNS"); do
  bench_note "covers, round $round of $BENCH_RUNS"
  for contender in $(bench_rotate "$round" covers nocovers); do
    bench_wine "step-$contender" bench_coverstep "$contender" 9
  done
done
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /d Y /f >/dev/null 2>&1

bench_heading "Longest flight step after a picture change, 1024 x 768 beside 2560 x 1440"
bench_row "with the second monitor's cover" step-covers
bench_row "without covers" step-nocovers
bench_compare "with covers / without" ratio step-covers step-nocovers '<=' 2
