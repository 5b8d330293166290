#!/usr/bin/env bash
# The picture cache: BuildImageCache timed inside the program, against the
# bare GD calls it makes on the same five pictures, with each file written as
# durably as the program writes it (temporary name, flush, move) and without
# (the program's own overhead: progress window, intermediate copy, checks),
# and against
# ImageMagick doing the same resize, at three screen sizes. With it, as
# context, decoding the five pictures with the program's decoder and with GD,
# and what ShowBackground costs.
set -euo pipefail
# shellcheck source=bench/common/lib.sh
source "$(dirname "$0")/common/lib.sh"

sources=() wine_sources=()
for name in Dolphin Asteroidenfeld Sonne DeepSpace Nebel; do
  sources+=("$bench_root/resources/pictures/$name.jpg")
  wine_sources+=("$(winpath "$bench_root/resources/pictures/$name.jpg")")
done

# What ShowBackground costs with the cache in use, with the cache off, and
# with a broken cache file of each kind in Dolphin's place.
show_kinds=(cache builtin empty garbage png noscan huge)

# magick_run FIGURE THREADS: ImageMagick's resize of the five pictures, at
# THREADS threads or at its default ("default"), less the start of the same
# command that does nothing (`convert xc: null:`), taken just before: the
# program's own start is not in its figure either. GD writes 4:4:4 at quality
# 100 with the standard Huffman tables; ImageMagick is asked for the same and
# keeps its default filter. One process for all five pictures, each written
# and dropped before the next is read, as the program holds one at a time.
magick_run() {
  local figure=$1 threads=() start total picture
  [ "$2" = default ] || threads=(-limit thread "$2")
  local arguments=("${threads[@]}" -quality 100 -sampling-factor 1x1 -define jpeg:optimize-coding=false)
  local last=$((${#sources[@]} - 1))
  for ((picture = 0; picture < last; picture++)); do
    arguments+=("${sources[$picture]}" -resize "${width}x${height}!" -write "$magick/$picture.jpg" +delete)
  done
  # The last one is the command's output: convert wants one.
  arguments+=("${sources[$last]}" -resize "${width}x${height}!" "$magick/$last.jpg")
  rm -f "$magick"/*
  start=$(bench_native_ms convert "${threads[@]}" xc: null:)
  total=$(bench_native_ms convert "${arguments[@]}")
  awk -v t="$total" -v s="$start" 'BEGIN { printf "%.3f\n", t - s }' >>"$BENCH_DATA/$figure"
}

for size in 1920x1080 1280x1024 3840x2160; do
  width=${size%x*} height=${size#*x}
  bench_session "$size"
  stage=$BENCH_WORK/stage-$size gd=$BENCH_WORK/gd-$size magick=$BENCH_WORK/magick-$size
  mkdir -p "$stage" "$gd" "$magick"
  for round in $(seq "$BENCH_RUNS"); do
    bench_note "cache $size, round $round of $BENCH_RUNS"
    for contender in $(bench_rotate "$round" stage stage-1 gd gd-durable magick-1 magick-default); do
      case $contender in
        # The stage takes its size from the primary screen, and builds into
        # its working directory; on as many workers as it chooses, or on one.
        stage) (cd "$stage" && bench_wine_line "stage-$size stage-$size-peak" bench_cache build) ;;
        stage-1) (cd "$stage" && bench_wine_line "stage-1-$size stage-1-$size-peak" bench_cache build 1) ;;
        gd)
          rm -f "$gd"/*
          bench_wine "gd-$size" bench_gd scale "$width" "$height" "$(winpath "$gd")" "${wine_sources[@]}"
          ;;
        gd-durable)
          rm -f "$gd"/*
          bench_wine "gd-durable-$size" bench_gd scale-durable "$width" "$height" "$(winpath "$gd")" \
            "${wine_sources[@]}"
          ;;
        magick-*) magick_run "$contender-$size" "${contender#magick-}" ;;
      esac
    done
    if [ "$size" = 1920x1080 ]; then
      for decoder in $(bench_rotate "$round" program gd); do
        bench_wine "decode-$decoder" "bench_${decoder/program/cache}" decode "${wine_sources[@]}"
      done
      for kind in $(bench_rotate "$round" "${show_kinds[@]}"); do
        (cd "$stage" && bench_wine "show-$kind" bench_cache show "$kind")
      done
      (cd "$stage" && bench_wine_line "check-headers check-exists" bench_cache check)
    fi
  done
  # A build at some other size would not be the one measured here.
  for file in "$stage"/*.jpg "$gd"/*.jpg "$magick"/*.jpg; do
    built=$(identify -format '%wx%h' "$file")
    [ "$built" = "$size" ] || { bench_note "$file is $built, not $size"; exit 1; }
  done

  # The parallel build's target holds at the common and the largest screens.
  parallel_target=() && [ "$size" = 1280x1024 ] || parallel_target=('<=' 0.70)
  bench_heading "Cache build, five pictures scaled to $width x $height"
  bench_row "BuildImageCache, in the program" "stage-$size"
  bench_row "BuildImageCache, on one worker" "stage-1-$size"
  bench_row "bare GD calls on the same files, one by one" "gd-$size"
  bench_row "the same, each file flushed and moved into place" "gd-durable-$size"
  bench_row "ImageMagick convert, one thread" "magick-1-$size"
  bench_row "ImageMagick convert, its default threads" "magick-default-$size"
  # The program writes each file durably, as it must: the fair baseline
  # does the same I/O. Against the plain GD calls, for comparison with before.
  bench_compare "program / bare GD, durable" ratio "stage-$size" "gd-durable-$size" "${parallel_target[@]}"
  bench_compare "program on one worker / bare GD, durable (overhead)" ratio "stage-1-$size" "gd-durable-$size" \
    '<=' 1.10
  bench_compare "program / bare GD" ratio "stage-$size" "gd-$size"
  bench_compare "program on one worker / bare GD" ratio "stage-1-$size" "gd-$size"
  bench_compare "durable writes / plain writes, bare GD" ratio "gd-durable-$size" "gd-$size"
  bench_compare "program / ImageMagick, one thread" ratio "stage-$size" "magick-1-$size" '<' 1
  bench_compare "program / ImageMagick, its default threads" ratio "stage-$size" "magick-default-$size"
  bench_figure "program's peak memory (VmHWM)" "stage-$size-peak" MB
  bench_figure "program's peak memory on one worker (VmHWM)" "stage-1-$size-peak" MB
done

bench_heading "Decoding the five 1024 x 768 pictures, for context"
bench_row "program's decoder (libjpeg into a DIB section)" decode-program
bench_row "GD (gdImageCreateFromJpeg)" decode-gd
bench_compare "GD / program's decoder" ratio decode-gd decode-program

bench_heading "The cache test at a run's start, 1920 x 1080: five JPEG headers against five existence tests"
bench_figure "five headers and end markers read, compared" check-headers ms
bench_figure "five existence tests (the test before)" check-exists ms
bench_compare "headers - existence tests (added to the start)" difference check-headers check-exists '<=' 5

bench_heading "ShowBackground of one picture at 1920 x 1080, and with a broken cache file"
bench_row "screen-sized cache file" show-cache
bench_row "built-in picture (cache off)" show-builtin
for kind in empty garbage png noscan huge; do
  bench_row "broken cache file: $kind, falls back" "show-$kind"
done
