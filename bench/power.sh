#!/usr/bin/env bash
# The run behind a dark display, at 1024 x 768. bench_power runs the program's
# own run with the Thornax (the one craft that never leaves the screen
# entirely, so keys always reach it) and, from a second thread of the same
# process, reports the display off to the craft window as Windows would, or
# leaves it on; the two take turns in every round, in alternating order. It
# takes the processor time of the whole process (all threads) over 3 s of the
# flight, then moves the pointer by one pixel or presses Escape and times the
# end of the run. At Speed 0 and 10.
# Usage: bench/power.sh (after scripts/bench.sh has built the programs);
# BENCH_RUNS rounds, BENCH_POWER_SECONDS (default 3) of flight in each.
set -euo pipefail
# shellcheck source=bench/common/lib.sh
source "$(dirname "$0")/common/lib.sh"

seconds=${BENCH_POWER_SECONDS:-3}
runs=0

# power_run SPEED STATE INPUT SECONDS: one run; its line "cpu% response-ms"
# becomes two figures.
power_run() {
  local speed=$1 state=$2 input=$3 line cpu response
  runs=$((runs + 1))
  # The token lets the program find its own process in /proc.
  if ! line=$("$WINE" "$BENCH_BIN/bench_power.exe" "$speed" "$state" "$input" "$4" "sarvane-power-$$-$runs" |
    tr -d '\r') || [ -z "$line" ]; then
    bench_note "power $speed $state $input failed"
    return 1
  fi
  read -r cpu response <<<"$line"
  echo "$cpu" >>"$BENCH_DATA/cpu-$speed-$state-$input"
  echo "$response" >>"$BENCH_DATA/$input-$speed-$state"
}

bench_session 1024x768
states=(on off)
for round in $(seq "$BENCH_RUNS"); do
  bench_note "power, round $round of $BENCH_RUNS"
  for speed in 0 10; do
    for state in "${states[@]}"; do
      power_run "$speed" "$state" pointer "$seconds"
      # The processor time of the pointer's runs is the figure; this run
      # needs only a flight under way.
      power_run "$speed" "$state" escape 0.5
    done
  done
  states=("${states[1]}" "${states[0]}")
done

bench_heading "Behind a dark display, Thornax at 1024 x 768, ${seconds} s of flight per round"
for speed in 0 10; do
  bench_figure "Speed $speed, display on: the program, % of a core" "cpu-$speed-on-pointer" %
  bench_figure "Speed $speed, display off: the program, % of a core" "cpu-$speed-off-pointer" % '<' 1
done
for speed in 0 10; do
  bench_figure "Speed $speed, display on: pointer move to end of run" "pointer-$speed-on" ms
  bench_figure "Speed $speed, display off: pointer move to end of run" "pointer-$speed-off" ms '<=' 100
  bench_figure "Speed $speed, display on: Escape to end of run" "escape-$speed-on" ms
  bench_figure "Speed $speed, display off: Escape to end of run" "escape-$speed-off" ms '<=' 100
done
