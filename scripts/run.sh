#!/usr/bin/env bash
# Usage: scripts/run.sh [switch...]   e.g. scripts/run.sh /c
# Builds what is missing and starts the screensaver under Wine. On $DISPLAY
# when there is one; otherwise on a private virtual display, writing a
# screenshot after a few seconds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/setup.sh"
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target SarvaneShuttle >/dev/null
saver="$root/build/win64/SarvaneShuttle.scr"

# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
# A prefix of its own that persists between runs, as a user's Windows would,
# so the settings file and the picture cache survive.
prefix=${SARVANE_WINEPREFIX:-${XDG_DATA_HOME:-$HOME/.local/share}/sarvaneshuttle/wineprefix}
cache_dir="$prefix/drive_c/users/Public/SarvaneShuttle"

if [ -n "${DISPLAY:-}" ]; then
  if [ ! -d "$prefix" ]; then make_prefix "$prefix"; else export WINEPREFIX=$prefix; install_fonts; fi
  mkdir -p "$cache_dir"
  cd "$cache_dir"  # the picture cache is written to the working directory
  exec "$WINE" "$saver" "$@"
fi

trap stop_environment EXIT
start_display 1024x768
if [ ! -d "$prefix" ]; then make_prefix "$prefix"; else export WINEPREFIX=$prefix; install_fonts; "$WINESERVER" -p; fi
mkdir -p "$cache_dir"
shot="$root/build/screenshot.png"
(cd "$cache_dir" && "$WINE" "$saver" "$@") &
saver_pid=$!
sleep "${SARVANE_SCREENSHOT_DELAY:-6}"
import -window root "$shot"
echo "screenshot: $shot"
"$WINESERVER" -k >/dev/null 2>&1 || true
wait "$saver_pid" 2>/dev/null || true
