#!/usr/bin/env bash
# The picture cache: BuildImageCache timed inside the program, against the
# bare GD calls it makes on the same five pictures (the program's own
# overhead: progress window, intermediate copy, checks) and against
# ImageMagick doing the same resize, at two screen sizes. With it, as
# context, decoding the five pictures with the program's decoder and with GD.
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

for size in 1920x1080 1280x1024; do
  width=${size%x*} height=${size#*x}
  bench_session "$size"
  stage=$BENCH_WORK/stage-$size gd=$BENCH_WORK/gd-$size magick=$BENCH_WORK/magick-$size
  mkdir -p "$stage" "$gd" "$magick"
  for round in $(seq "$BENCH_RUNS"); do
    bench_note "cache $size, round $round of $BENCH_RUNS"
    # The stage takes its size from the primary screen, and builds into its
    # working directory.
    (cd "$stage" && bench_wine "stage-$size" bench_cache build)
    rm -f "$gd"/* "$magick"/*
    bench_wine "gd-$size" bench_gd scale "$width" "$height" "$(winpath "$gd")" "${wine_sources[@]}"
    # GD writes 4:4:4 at quality 100; ImageMagick is asked for the same. One
    # process for all five pictures, so its start is counted once.
    bench_native "magick-$size" convert -limit thread 1 "${sources[@]}" -resize "${width}x${height}!" \
      -quality 100 -sampling-factor 1x1 "$magick/%d.jpg"
    if [ "$size" = 1920x1080 ]; then
      bench_wine decode-program bench_cache decode "${wine_sources[@]}"
      bench_wine decode-gd bench_gd decode "${wine_sources[@]}"
      for kind in "${show_kinds[@]}"; do
        (cd "$stage" && bench_wine "show-$kind" bench_cache show "$kind")
      done
    fi
  done
  # A build at some other size would not be the one measured here.
  for file in "$stage"/*.jpg "$gd"/*.jpg "$magick"/*.jpg; do
    built=$(identify -format '%wx%h' "$file")
    [ "$built" = "$size" ] || { bench_note "$file is $built, not $size"; exit 1; }
  done

  bench_heading "Cache build, five pictures scaled to $width x $height"
  bench_row "BuildImageCache, in the program" "stage-$size"
  bench_row "bare GD calls on the same files" "gd-$size"
  bench_row "ImageMagick convert, one thread" "magick-$size"
  bench_compare "program / bare GD (overhead)" ratio "stage-$size" "gd-$size" '<=' 1.10
  bench_compare "program / ImageMagick" ratio "stage-$size" "magick-$size" '<' 1
done

bench_heading "Decoding the five 1024 x 768 pictures, for context"
bench_row "program's decoder (libjpeg into a DIB section)" decode-program
bench_row "GD (gdImageCreateFromJpeg)" decode-gd
bench_compare "GD / program's decoder" ratio decode-gd decode-program

bench_heading "ShowBackground of one picture at 1920 x 1080, and with a broken cache file"
bench_row "screen-sized cache file" show-cache
bench_row "built-in picture (cache off)" show-builtin
for kind in empty garbage png noscan huge; do
  bench_row "broken cache file: $kind, falls back" "show-$kind"
done
