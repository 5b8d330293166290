#!/usr/bin/env bash
# The flight's pacing and the time from input to exit, at 1024 x 768.
# bench_flight runs the program's own run (stage, the Sarvane's sprite-shaped
# 571 x 301 window, the flight) and times each step from inside the process;
# bench_bareloop flies a window of the same size and shape over a full-screen
# window with the least code possible (pointer read, one or two moves, the
# sleeps, message processing). Both enter at the same height and take turns,
# in an order that rotates from round to round. Steps per second at Speed 0;
# mean and 95th-percentile step time at Speed 1 and 10; operator new calls
# over the measured steps of the flight; and, for the Thornax (the one craft
# that never leaves the screen, so keys always reach it), the time from a
# one-pixel pointer move or an Escape key to the end of the process.
set -euo pipefail
# shellcheck source=bench/common/lib.sh
source "$(dirname "$0")/common/lib.sh"

sprite=$(winpath "$bench_root/resources/sprites/Sarvane.bmp")
saver=$(winpath "$BENCH_SAVER")
ini() { printf '[Settings]\r\nVesselIndex=%s\r\nSpeed=%s\r\n' "$1" "$2" >"$WINEPREFIX/drive_c/windows/SarvaneShuttle.ini"; }

# flight_run NAME PROGRAM ARGUMENT...: one run of a flight program, whose line
# "mean p95 steps-per-second allocations" becomes four figures.
flight_run() {
  local name=$1
  shift
  bench_wine_line "$name-mean $name-p95 $name-rate $name-allocations" "$@"
}

steps_at() { case $1 in 0) echo 1000 ;; 1) echo 500 ;; *) echo 200 ;; esac; }

bench_session 1024x768
for round in $(seq "$BENCH_RUNS"); do
  bench_note "flight, round $round of $BENCH_RUNS"
  for speed in 0 1 10; do
    ini 0 "$speed"
    for contender in $(bench_rotate "$round" flight bare); do
      if [ "$contender" = flight ]; then
        flight_run "flight-$speed" bench_flight "$speed" "$(steps_at "$speed")"
      else
        flight_run "bare-$speed" bench_bareloop "$speed" "$(steps_at "$speed")" "$sprite"
      fi
    done
  done
  for speed in 0 10; do
    ini 3 "$speed"
    for input in $(bench_rotate "$round" pointer escape); do
      bench_wine "exit-$input-$speed" bench_exitlatency "$input" "$saver"
    done
  done
done

bench_heading "Flight pacing at 1024 x 768: the Sarvane's window over the stage, against a bare loop"
bench_figure "Speed 0: flight, steps per second" flight-0-rate steps/s
bench_figure "Speed 0: bare loop, steps per second" bare-0-rate steps/s
bench_compare "Speed 0: flight / bare loop, mean step time" ratio flight-0-mean bare-0-mean '<=' 1.10
for speed in 1 10; do
  bench_figure "Speed $speed: flight, mean step" "flight-$speed-mean" ms
  bench_figure "Speed $speed: bare loop, mean step" "bare-$speed-mean" ms
  bench_figure "Speed $speed: flight, 95th percentile step" "flight-$speed-p95" ms
  bench_figure "Speed $speed: bare loop, 95th percentile step" "bare-$speed-p95" ms
  bench_compare "Speed $speed: flight / bare loop, mean step time" ratio "flight-$speed-mean" "bare-$speed-mean" \
    '<=' 1.10
done
# Every round must be free of allocations, not just most of them.
for speed in 0 1 10; do
  BENCH_DIGITS=0 BENCH_TARGET_ON=max bench_figure "Speed $speed: allocations over $(steps_at "$speed") steps" \
    "flight-$speed-allocations" new '<=' 0
done

bench_heading "From input to the end of the process, Thornax at 1024 x 768"
for speed in 0 10; do
  limit=() && [ "$speed" = 0 ] || limit=('<=' 100)
  bench_figure "Speed $speed: one-pixel pointer move" "exit-pointer-$speed" ms "${limit[@]}"
  bench_figure "Speed $speed: Escape key" "exit-escape-$speed" ms "${limit[@]}"
done
