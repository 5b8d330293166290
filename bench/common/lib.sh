# Sourced by every bench/*.sh section: the Wine session of one screen size,
# running the bench programs, and the table.
#
# Each figure is kept in a file of its own, one line per round. The contenders
# of a comparison take turns within each round, and a ratio (or difference)
# is taken round by round: on a shared, noisy machine two figures measured
# seconds apart are far more comparable than two medians of different minutes.
# shellcheck shell=bash

bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck source=scripts/wine-env.sh
source "$bench_root/scripts/wine-env.sh"

BENCH_RUNS=${BENCH_RUNS:-7}
BENCH_BIN=$bench_root/build/win64/bench
# shellcheck disable=SC2034 # for the sections
BENCH_SAVER=$bench_root/build/win64/SarvaneShuttle.scr

# scripts/bench.sh hands every section one scratch folder, which holds the one
# Wine prefix all sessions share, and removes it. A section started on its own
# (after scripts/bench.sh has built the programs once) makes its own.
BENCH_OWN_WORK=
if [ -z "${BENCH_WORK:-}" ]; then
  BENCH_WORK=$(mktemp -d /tmp/sarvane-bench.XXXXXX)
  BENCH_OWN_WORK=1
fi
BENCH_DATA=$(mktemp -d "$BENCH_WORK/figures.XXXXXX")
touch "$BENCH_WORK/missed"
BENCH_MISSED_BEFORE=$(wc -l <"$BENCH_WORK/missed")

# A section that missed a target ends with status 1, on its own as within
# scripts/bench.sh; a section that failed keeps its own status.
bench_exit() {
  local status=$? missed
  stop_environment
  missed=$(wc -l <"$BENCH_WORK/missed")
  [ -z "$BENCH_OWN_WORK" ] || rm -rf "$BENCH_WORK"
  if [ "$status" = 0 ] && [ "$missed" -gt "$BENCH_MISSED_BEFORE" ]; then status=1; fi
  exit "$status"
}
trap bench_exit EXIT

# bench_session WIDTHxHEIGHT: a new X display of that size with a new
# wineserver session on the shared prefix. Wine reads the screen size once per
# session, so every size needs both.
bench_session() {
  stop_environment
  unset XVFB_PID
  start_display "$1"
  if [ -d "$BENCH_WORK/prefix" ]; then
    export WINEPREFIX=$BENCH_WORK/prefix WINEARCH=win64
    "$WINESERVER" -p
    "$WINE" cmd /c exit >/dev/null 2>&1 || true
  else
    make_prefix "$BENCH_WORK/prefix"
  fi
}

# winpath PATH: the Wine name of a Linux path.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

bench_note() { echo "bench: $*" >&2; }

# bench_wine FIGURE PROGRAM ARGUMENT...: runs a bench program (from the
# build, or any Windows program given by path) and keeps the figure it prints.
bench_wine() { bench_wine_line "$@"; }

# bench_wine_line "FIGURE..." PROGRAM ARGUMENT...: the same for a program that
# prints one line of several figures, kept under the names given in turn.
bench_wine_line() {
  local names program=$2 line values i
  read -r -a names <<<"$1"
  shift 2
  [ -f "$program" ] || program=$BENCH_BIN/$program.exe
  if ! line=$("$WINE" "$program" "$@" | tr -d '\r') || [ -z "$line" ]; then
    bench_note "${names[0]} failed"
    return 1
  fi
  read -r -a values <<<"$line"
  if [ "${#values[@]}" != "${#names[@]}" ]; then
    bench_note "${names[0]}: ${#values[@]} figures instead of ${#names[@]}"
    return 1
  fi
  for i in "${!names[@]}"; do echo "${values[$i]}" >>"$BENCH_DATA/${names[$i]}"; done
}

# bench_rotate ROUND CONTENDER...: the contenders in the order they take in
# that round, shifted by one place each round, so that none always runs first
# (on a cold cache) or right after the same neighbour.
bench_rotate() {
  local round=$1 count i at
  shift
  count=$#
  for ((i = 0; i < count; i++)); do
    at=$(((round - 1 + i) % count + 1))
    echo "${!at}"
  done
}

# bench_native_ms COMMAND...: the wall-clock milliseconds of a Linux command,
# taken by the shell itself: no process is started to read the clock.
bench_native_ms() {
  local start end
  start=$EPOCHREALTIME
  "$@" >/dev/null
  end=$EPOCHREALTIME
  awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f\n", (e - s) * 1000 }'
}

# min, median and max of the numbers on standard input, unrounded: targets are
# held against these, the table rounds only what it prints.
bench_stats() {
  sort -g | awk '{ v[NR] = $1 }
    END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
          printf "%.17g %.17g %.17g\n", v[1], m, v[NR] }'
}

# bench_line LABEL MIN MEDIAN MAX REMARK (BENCH_DIGITS decimals, 2 unless given).
bench_line() {
  printf "%-52s %9.${BENCH_DIGITS:-2}f %9.${BENCH_DIGITS:-2}f %9.${BENCH_DIGITS:-2}f  %s\n" "$@"
}

# bench_heading TITLE
bench_heading() {
  BENCH_HEADING=$1
  printf '\n%s (%s rounds)\n' "$1" "$BENCH_RUNS"
  printf '%-52s %9s %9s %9s\n' "" min median max
}

# bench_row LABEL FIGURE: a figure in milliseconds.
bench_row() {
  # shellcheck disable=SC2046
  bench_line "$1" $(bench_stats <"$BENCH_DATA/$2") ms
}

# bench_verdict LABEL UNIT STATS [OPERATOR LIMIT]: the unit, and with a
# target whether the median of STATS ("min median max") meets it; a miss is
# recorded for scripts/bench.sh. With BENCH_TARGET_ON=max the maximum is held
# against the target instead, for a figure that must hold in every round.
bench_verdict() {
  local label=$1 unit=$2 stats=$3 operator=${4:-} limit=${5:-} value met field=2 which=""
  if [ -z "$operator" ]; then
    echo "$unit"
    return
  fi
  [ "${BENCH_TARGET_ON:-median}" != max ] || field=3 which="max "
  value=$(echo "$stats" | cut -d' ' -f"$field")
  met=$(awk -v m="$value" -v l="$limit" -v o="$operator" \
    'BEGIN { print (o == "<" ? m < l : m <= l) ? "met" : "MISSED" }')
  [ "$met" = met ] || echo "$BENCH_HEADING: $label" >>"$BENCH_WORK/missed"
  echo "$unit, target ${which}$operator $limit: $met"
}

# bench_figure LABEL FIGURE UNIT [OPERATOR LIMIT]: a figure in any unit, with
# an optional target for its median.
bench_figure() {
  local stats
  stats=$(bench_stats <"$BENCH_DATA/$2")
  # shellcheck disable=SC2046,SC2086
  bench_line "$1" $stats "$(bench_verdict "$1" "$3" "$stats" "${4:-}" "${5:-}")"
}

# bench_compare LABEL ratio|difference A B [OPERATOR LIMIT]: A / B or A - B,
# round by round. With a target, its median is held against it; a miss is
# marked in the table and makes scripts/bench.sh end with status 1.
bench_compare() {
  local label=$1 kind=$2 a=$3 b=$4 unit=x stats
  [ "$kind" = ratio ] || unit=ms
  stats=$(paste "$BENCH_DATA/$a" "$BENCH_DATA/$b" |
    awk -v kind="$kind" '{ printf "%.17g\n", kind == "ratio" ? $1 / $2 : $1 - $2 }' | bench_stats)
  # shellcheck disable=SC2086
  bench_line "$label" $stats "$(bench_verdict "$label" "$unit" "$stats" "${5:-}" "${6:-}")"
}
