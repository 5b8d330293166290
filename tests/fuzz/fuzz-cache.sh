#!/usr/bin/env bash
# Broken cache files through the stage's presence test and the decoder, with
# cache_fuzz: the five cache files of a build at SIZE as seeds, with their
# progressive, arithmetic-coded, restart, grey and many-scan variants made by
# jpegtran, then COUNT cases of SEED. A case that hangs or crashes ends the
# driver once it is recorded, and the next driver goes on after it. Leaves in
# WORK the log of every case (cases.log), the files of every finding
# (findings/) and the figures (summary: one "name value" per line), prints
# them, and ends with status 1 when a case crashed, hung or showed a wrong
# picture, or when none reached the decoder.
#
# Usage: fuzz-cache.sh LOADER CACHE_FUZZ.EXE WORK SEED COUNT [SIZE]
#   (SIZE 1280x1024 unless given), in the WINEPREFIX of a running session.
set -euo pipefail
loader=$1 driver=$2 work=$3 seed=$4 count=$5 size=${6:-1280x1024}
: "${WINEPREFIX:?fuzz-cache.sh needs the WINEPREFIX of a running Wine session}"
command -v jpegtran >/dev/null || { echo "fuzz-cache: jpegtran is missing (scripts/setup.sh installs it)" >&2; exit 1; }

winpath() { printf 'Z:%s' "${1//\//\\}"; }
names=(Dolphin Asteroidenfeld Sonne DeepSpace Nebel)

rm -rf "$work"
mkdir -p "$work/seeds" "$work/findings"
"$loader" "$driver" seeds "$(winpath "$work/seeds")" "$size"

# A scan script of 42 scans: the blue difference's first AC coefficients one
# by one, its others and the red difference's a few bits at a time
# (successive approximation), which makes scans of a few dozen bytes. More
# scans than encoders write, fewer than the decoder takes.
{
  echo "0,1,2: 0-0, 0, 1;"
  echo "0: 1-63, 0, 0;"
  for k in $(seq 1 32); do echo "1: $k-$k, 0, 0;"; done
  echo "1: 33-63, 0, 3;"
  echo "1: 33-63, 3, 2;"
  echo "1: 33-63, 2, 1;"
  echo "1: 33-63, 1, 0;"
  echo "2: 1-63, 0, 2;"
  echo "2: 1-63, 2, 1;"
  echo "2: 1-63, 1, 0;"
  echo "0,1,2: 0-0, 1, 0;"
} >"$work/many.scans"
# variant NAME JPEGTRAN-SWITCH...: the picture $base transcoded by jpegtran
# (its coefficients kept, the grey one's luminance alone) as seed $id-NAME.
variant() { jpegtran "${@:2}" -outfile "$work/seeds/$id-$1.jpg" "$base"; }
for base in "$work"/seeds/*-baseline.jpg; do
  id=$(basename "$base")
  id=${id%%-*}
  variant progressive -progressive
  variant arithmetic -arithmetic
  variant progressive-arithmetic -progressive -arithmetic
  variant restart -restart 1B
  variant progressive-restart -progressive -restart 2
  variant grey -grayscale
  variant scans -scans "$work/many.scans"
done

log=$work/cases.log
touch "$log"
peaks=()
start=$EPOCHREALTIME
next=0
while [ "$next" -lt "$count" ]; do
  status=0
  output=$("$loader" "$driver" run "$(winpath "$work")" "$size" "$seed" $((count - next)) "$next" | tr -d '\r') ||
    status=$?
  peak=$(sed -n 's/^peak //p' <<<"$output")
  [ -z "$peak" ] || peaks+=("$peak")
  case $status in
    0 | 1) break ;;  # every case ran; 1: findings, which the log holds
    2 | 3) ;;        # a hang or a crash, recorded by the driver itself
    *)
      # Ended without a record: the log's unfinished last line names the case.
      last=$(tail -n 1 "$log")
      [ "$(wc -w <<<"$last")" -eq 3 ] || { echo "fuzz-cache: the driver failed (status $status) outside a case" >&2; exit 1; }
      echo " crash status-$status" >>"$log"
      picture=${last#* }
      cp "$work/SarvaneShuttle_${names[${picture%%-*}]}.jpg" "$work/findings/crash-$seed-${last%% *}.jpg"
      ;;
  esac
  last=$(tail -n 1 "$log")
  next=$((${last%% *} + 1))
done
seconds=$(awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { printf "%.1f", e - s }')

# The log's lines: NUMBER SEEDFILE MUTATIONS OUTCOME MILLISECONDS
# PROCESSOR-MILLISECONDS, or NUMBER SEEDFILE MUTATIONS crash CODE.
awk '$4 != "crash" { print $5 > "'"$work"'/case-ms"; print $6 > "'"$work"'/case-processor-ms" }' "$log"
peak_mb=$(printf '%s\n' "${peaks[@]}" | sort -g | tail -n 1)
awk -v seconds="$seconds" -v peak="$peak_mb" -v size="$size" -v seed="$seed" \
  -v seeds="$(find "$work/seeds" -name '*.jpg' | wc -l)" '
  { cases++; outcome[$4]++ }
  $3 == "intact" && $4 != "shown" { intact_refused++ }
  $3 ~ /^boundary-cut/ { boundary_cuts++ }
  $4 != "crash" && $5 + 0 > wall { wall = $5 + 0; wall_case = $1 " (" $3 " of " $2 ")" }
  $4 != "crash" && $6 + 0 > processor { processor = $6 + 0; processor_case = $1 " (" $3 " of " $2 ")" }
  END {
    printf "size %s\nseed %s\nseed_files %d\ncases %d\nseconds %s\ncases_per_second %.1f\n", size, seed, seeds, cases,
      seconds, cases / seconds
    split("shown fallback refused-size refused-decodes refused-error hang crash wrong-size", kinds, " ")
    for (i = 1; i in kinds; i++) printf "%s %d\n", kinds[i], outcome[kinds[i]]
    printf "intact_refused %d\nboundary_cuts %d\n", intact_refused, boundary_cuts
    printf "longest_ms %.1f\nlongest_case %s\n", wall, wall_case
    printf "longest_processor_ms %.1f\nlongest_processor_case %s\n", processor, processor_case
    printf "peak_mb %s\n", peak
  }' "$log" >"$work/summary"
sed 's/^/fuzz-cache: /' "$work/summary"

get() { sed -n "s/^$1 //p" "$work/summary"; }
status=0
for kind in crash hang wrong-size intact_refused; do
  if [ "$(get "$kind")" != 0 ]; then
    echo "fuzz-cache: FAILED: $(get "$kind") case(s) $kind; their files are in $work/findings" >&2
    status=1
  fi
done
# Cases that never get past the presence test would fuzz nothing of the decoder.
if [ "$(get shown)" = 0 ] || [ "$(get fallback)" = 0 ]; then
  echo "fuzz-cache: FAILED: no case reached the decoder through the presence test" >&2
  status=1
fi
exit $status
