#!/usr/bin/env bash
# Runs every test: installs what is missing, builds both targets, checks the
# 32-bit binary, then runs the unit and end-to-end tests of the 64-bit build
# under Wine, in a private virtual display and a fresh Wine prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/setup.sh"
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
work=$(mktemp -d /tmp/sarvane-test.XXXXXX)
cleanup() { stop_environment; rm -rf "$work"; }
trap cleanup EXIT
start_display 1024x768
make_prefix "$work/prefix"

ctest --preset win32
ctest --preset win64 -LE 'wide|multi'

# Wine keeps the screen size and DPI per session: the tests that need a screen
# not 1024 pixels wide get a display and a prefix of their own, on a scaled
# desktop, so they also show that sizes are taken in real pixels.
stop_environment
start_display 1280x1024
make_prefix "$work/prefix-wide" 144
ctest --preset win64 -L wide

# And the tests that need a second monitor, in a nested two-head display.
stop_environment
start_two_monitors
make_prefix "$work/prefix-multi" 96 N
ctest --preset win64 -L multi

# The release packages, installed and removed by Windows Installer in a prefix
# of their own.
stop_environment
start_display 1024x768
make_prefix "$work/prefix-package"
"$root/tests/package/check-package.sh" "$work/package"

# The same release once more from a copy of the tree elsewhere, on another
# day's clock and in another time zone: byte for byte the same.
"$root/tests/package/check-reproducible.sh" "$work/reproducible"
