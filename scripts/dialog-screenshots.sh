#!/usr/bin/env bash
# Photographs the settings dialog at 96 and 144 dpi for the README:
# docs/configuration-96dpi.png and docs/configuration-144dpi.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target SarvaneShuttle >/dev/null

# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
work=$(mktemp -d /tmp/sarvane-shots.XXXXXX)
trap 'stop_environment; rm -rf "$work"' EXIT
start_display 1024x768
make_prefix "$work/prefix"

for dpi in 96 144; do
  set_dpi "$dpi"
  "$WINE" "$root/build/win64/SarvaneShuttle.scr" /c &
  saver=$!
  window=
  for _ in $(seq 200); do
    window=$(xdotool search --onlyvisible --name '^Configuration$' 2>/dev/null | head -1) && [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "the dialog did not open at $dpi dpi" >&2; exit 1; }
  sleep 1 # let the first paint finish
  import -window "$window" "$root/docs/configuration-${dpi}dpi.png"
  kill "$saver" 2>/dev/null || true
  wait "$saver" 2>/dev/null || true
done
