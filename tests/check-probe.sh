#!/usr/bin/env bash
# The probe that decides how the scripts treat the 32-bit build: it must say
# "cannot" only for a kernel that refuses the format, never for a directory or
# file that refuses to run anything, and must tell an emulator registered for
# i386 programs from the kernel itself.
set -euo pipefail
# shellcheck source=scripts/wine-env.sh
source "$(dirname "$0")/../scripts/wine-env.sh"
work=$(mktemp -d)
trap 'umount "$work/noexec" 2>/dev/null || true; rm -rf "$work"' EXIT
failed=0
expect() { # expect WHAT GOT WANTED
  if [ "$2" = "$3" ]; then echo "ok   $1"; else echo "FAIL $1: got '$2', wanted '$3'"; failed=1; fi
}

write_elf_probes "$work"
# No machine at hand runs 32-bit programs natively, so the "runs" answer is
# checked on the 64-bit program, through the same code path.
expect "a program that runs is told so" "$(classify_exec "$work/probe64" "$work/probe64")" runs
answer=$(classify_exec "$work/probe32" "$work/probe64")
expect "the 32-bit probe gets a definite answer on this machine ($answer)" \
  "$(case $answer in runs | cannot) echo definite ;; *) echo "$answer" ;; esac)" definite

# Refused for want of the execute bit: exit 126 as well, but "Permission denied".
cp "$work/probe32" "$work/plain32" && chmod -x "$work/plain32"
expect "a file without execute permission says nothing about the kernel" \
  "$(classify_exec "$work/plain32" "$work/probe64")" unknown
if [ "$(id -u)" -eq 0 ] && mkdir "$work/noexec" && mount -t tmpfs -o noexec tmpfs "$work/noexec"; then
  write_elf_probes "$work/noexec"
  expect "a noexec directory refuses both, so says nothing" \
    "$(classify_exec "$work/noexec/probe32" "$work/noexec/probe64")" unknown
  probe_32bit
  anywhere=$RUN32
  TMPDIR=$work/noexec probe_32bit
  expect "the probe looks further than a noexec directory" "$RUN32" "$anywhere"
fi

# binfmt_misc entries as the kernel lists them.
BINFMT=$work/binfmt
mkdir -p "$BINFMT"
: >"$BINFMT/status"
entry() { # entry NAME STATE MAGIC
  printf '%s\ninterpreter /usr/bin/%s-static\nflags: F\noffset 0\nmagic %s\nmask ffffffffffff\n' "$2" "$1" "$3" >"$BINFMT/$1"
}
entry qemu-arm enabled 7f454c4601010100000000000000000002002800
entry qemu-i386 disabled 7f454c4601010100000000000000000002000300
expect "neither an ARM handler nor a disabled i386 one counts" "$(i386_binfmt_handler || echo none)" none
entry qemu-i386 enabled 7f454c4601010100000000000000000002000300
expect "an enabled i386 handler is found, with its emulator" "$(i386_binfmt_handler)" /usr/bin/qemu-i386-static
exit $failed
