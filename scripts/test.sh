#!/usr/bin/env bash
# Runs every test: installs what is missing, builds both targets, then runs
# the unit and end-to-end tests of each build (the shipped 32-bit one first)
# under Wine, in private virtual displays and fresh Wine prefixes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/setup.sh"
presets=(win32 win64)
for preset in "${presets[@]}"; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
work=$(mktemp -d /tmp/sarvane-test.XXXXXX)
cleanup() { stop_environment; rm -rf "$work"; }
trap cleanup EXIT
# Both builds run in each session, one after the other: the 64-bit prefix
# runs the 32-bit programs too.
run_tests() { for preset in "${presets[@]}"; do ctest --preset "$preset" "$@"; done; }

start_display 1024x768
make_prefix "$work/prefix"
run_tests -LE 'wide|multi'

# Wine keeps the screen size and DPI per session: the tests that need a screen
# not 1024 pixels wide get a display and a prefix of their own, on a scaled
# desktop, so they also show that sizes are taken in real pixels.
stop_environment
start_display 1280x1024
make_prefix "$work/prefix-wide" 144
run_tests -L wide

# And the tests that need a second monitor, in a nested two-head display.
stop_environment
start_two_monitors
make_prefix "$work/prefix-multi" 96 N
run_tests -L multi

# The release packages, installed and removed by Windows Installer in a prefix
# of their own; the installed program runs there at a size that needs its cache.
stop_environment
start_display 1280x1024
make_prefix "$work/prefix-package"
"$root/tests/package/check-package.sh" "$work/package"

# The same release once more from a copy of the tree elsewhere, on another
# day's clock and in another time zone: byte for byte the same.
"$root/tests/package/check-reproducible.sh" "$work/reproducible"
