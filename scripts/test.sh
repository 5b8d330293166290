#!/usr/bin/env bash
# Runs every test: installs what is missing, builds both targets, then runs
# the unit and end-to-end tests of each build under Wine, in private virtual
# displays and fresh Wine prefixes. The 64-bit build runs every set. The
# shipped 32-bit build runs every set too where the kernel runs 32-bit
# programs; where only an emulator runs them, its unit tests and a smoke of the
# installed program, which is what fits the time; where nothing runs them, it
# is built and inspected. The first and the last line say which.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/scripts/setup.sh"
# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
run32_support
echo "test: $(run32_summary)"

for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
# The mitigation table of the two builds side by side.
"$root/tests/check-binary.sh" build/win32/SarvaneShuttle.scr build/win64/SarvaneShuttle.scr

work=$(mktemp -d /tmp/sarvane-test.XXXXXX)
retries=0
finish() {
  local status=$?
  stop_environment
  rm -rf "$work"
  echo
  if [ "$status" -eq 0 ]; then echo "test: all passed; 64-bit build: every test set ran natively"; else echo "test: FAILED with status $status"; fi
  echo "test: $(run32_summary)"
  [ "$retries" -eq 0 ] || echo "test: the emulator's own crash was retried $retries time(s) in the 32-bit unit tests"
  exit "$status"
}
trap finish EXIT

# ctest_emulated ARGS...: ctest of the 32-bit build under qemu-user. A failure
# that is the emulator's own crash report is run once more, and counted; a
# failure of the program's own checks never is.
ctest_emulated() {
  local log=$work/ctest-emulated.log
  ctest --preset win32 "$@" 2>&1 | tee "$log" && return 0
  grep -q '^qemu: uncaught target signal' "$log" || return 1
  retries=$((retries + 1))
  echo "test: the emulator itself crashed ($(grep -m 1 '^qemu: uncaught target signal' "$log")); running those tests once more"
  ctest --preset win32 "$@" --rerun-failed
}

# run_tests SET ARGS...: the tests of one session (default, wide, multi) for
# both builds, as far as this machine runs the 32-bit one.
run_tests() {
  local set=$1
  shift
  case $RUN32:$set in
    native:*) ctest --preset win32 "$@" ;;
    emulated:default) ctest_emulated -R '^(unit|binary)$' ;;
    *:default) ctest --preset win32 -R '^binary$' ;;
  esac
  ctest --preset win64 "$@"
}

start_display 1024x768
make_prefix "$work/prefix"
run_tests default -LE 'wide|multi'

# Wine keeps the screen size and DPI per session: the tests that need a screen
# not 1024 pixels wide get a display and a prefix of their own, on a scaled
# desktop, so they also show that sizes are taken in real pixels.
stop_environment
start_display 1280x1024
make_prefix "$work/prefix-wide" 144
run_tests wide -L wide

# And the tests that need a second monitor, in a nested two-head display.
stop_environment
start_two_monitors
make_prefix "$work/prefix-multi" 96 N
run_tests multi -L multi

# The release packages, installed and removed by Windows Installer in a prefix
# of their own; the installed program runs there at a size that needs its cache.
stop_environment
start_display 1280x1024
make_prefix "$work/prefix-package"
"$root/tests/package/check-package.sh" "$work/package"

# The same release once more from a copy of the tree elsewhere, on another
# day's clock and in another time zone: byte for byte the same.
"$root/tests/package/check-reproducible.sh" "$work/reproducible"
