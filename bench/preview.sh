#!/usr/bin/env bash
# Preview mode: the share of a core the screensaver takes while the display
# settings show its preview in a 152 x 112 window, with what this session's
# wineserver and X server take meanwhile, and how soon it ends once that window
# hides; against the preview loop of before, which polled without pausing,
# the two taking turns in every round. Then how soon it ends when the settings
# close its child in that window instead (the loop of before made none).
# Usage: bench/preview.sh (after scripts/bench.sh has built the programs);
# BENCH_RUNS rounds, BENCH_PREVIEW_SECONDS (default 3) of showing in each.
set -euo pipefail
# shellcheck source=bench/common/lib.sh
source "$(dirname "$0")/common/lib.sh"

seconds=${BENCH_PREVIEW_SECONDS:-3}
bench_session 1024x768
for round in $(seq "$BENCH_RUNS"); do
  bench_note "preview, round $round of $BENCH_RUNS"
  for contender in $(bench_rotate "$round" polling pausing); do
    program=$BENCH_SAVER
    [ "$contender" = pausing ] || program=$BENCH_BIN/bench_preview_polling.exe
    if ! figures=$("$WINE" "$BENCH_BIN/bench_preview.exe" "$(winpath "$program")" "$seconds" | tr -d '\r'); then
      bench_note "preview $contender failed"
      exit 1
    fi
    read -r program_cpu server_cpu end_ms <<<"$figures"
    # The polling loop keeps a core busy: a reading near nothing means the
    # program's processor time was not found, and no figure here would mean anything.
    if [ "$contender" = polling ] && awk -v c="$program_cpu" 'BEGIN { exit !(c < 1) }'; then
      bench_note "the polling loop read as $program_cpu % of a core: its processor time was not measured"
      exit 1
    fi
    echo "$program_cpu" >>"$BENCH_DATA/$contender-cpu"
    echo "$server_cpu" >>"$BENCH_DATA/$contender-servers"
    echo "$end_ms" >>"$BENCH_DATA/$contender-end"
  done
  # Only the end counts here: the showing is as short as the driver allows.
  if ! figures=$("$WINE" "$BENCH_BIN/bench_preview.exe" "$(winpath "$BENCH_SAVER")" 0.5 close | tr -d '\r'); then
    bench_note "preview ended by closing its child failed"
    exit 1
  fi
  read -r _ _ end_ms <<<"$figures"
  echo "$end_ms" >>"$BENCH_DATA/pausing-close"
done

bench_heading "Preview in a 152 x 112 host, ${seconds} s of showing per round"
bench_figure "polling loop (before): the program, % of a core" polling-cpu %
bench_figure "polling loop (before): wineserver and X server" polling-servers %
bench_figure "polling loop (before): end after the host hides" polling-end ms
bench_figure "pausing loop (now): the program, % of a core" pausing-cpu % '<' 2
bench_figure "pausing loop (now): wineserver and X server" pausing-servers %
bench_figure "pausing loop (now): end after the host hides" pausing-end ms '<' 50
bench_figure "pausing loop (now): end after its child is closed" pausing-close ms '<' 50
bench_compare "program's CPU, polling / pausing" ratio polling-cpu pausing-cpu
