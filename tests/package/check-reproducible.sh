#!/usr/bin/env bash
# Usage: check-reproducible.sh WORKDIR
# Rebuilds the release from a copy of this tree in another directory, with the
# clock 400 days ahead, in another time zone, under another HOME, with GD and
# libjpeg-turbo built afresh there, and compares it byte for byte with
# build/dist and the two .scr of build/ (scripts/package.sh and both presets
# must have run, on the dependencies of the cache). On a difference diffoscope
# names it.
# The copy is not a git work tree, so it also shows that such a tree is
# refused without SOURCE_DATE_EPOCH and takes it when it is given.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$1
mkdir -p "$work"
fail() { echo "check-reproducible: $*" >&2; exit 1; }

# The tree as it is, uncommitted changes included, without its build output.
copy="$work/elsewhere/SarvaneShuttle"
mkdir -p "$copy"
(cd "$root" && git ls-files -z --cached --others --exclude-standard |
  xargs -0 -I{} find {} -maxdepth 0 -type f -print0 | tar -c --null -T - | tar -x -C "$copy")

# The dependencies' sources from the cache (they are inputs, and this saves
# downloading them again), their build a fresh one.
cache=$(dirname "$(sed -n 's/^SARVANE_DEPS_DIR:[A-Z]*=//p' "$root/build/win32/CMakeCache.txt")")
deps_root="$work/elsewhere/deps"
mkdir -p "$deps_root/src"
cp "$cache"/src/* "$deps_root/src/"
# Under libfaketime dpkg-source fails to set the times of the files it patches
# (utime to "now" gives EINVAL). It only unpacks the licence texts: it keeps
# the real clock.
mkdir -p "$work/bin"
printf '#!/bin/sh\nexec env -u LD_PRELOAD -u FAKETIME /usr/bin/dpkg-source "$@"\n' >"$work/bin/dpkg-source"
chmod +x "$work/bin/dpkg-source"
elsewhere() {
  env -u SOURCE_DATE_EPOCH -u SARVANE_SIGN_PFX HOME="$work/elsewhere" TZ=Pacific/Kiritimati \
    PATH="$work/bin:$PATH" SARVANE_DEPS_ROOT="$deps_root" faketime -f +400d "$@"
}

if elsewhere "$copy/scripts/package.sh" >"$work/refused.log" 2>&1; then
  fail "a tree that is not a git work tree was packaged without SOURCE_DATE_EPOCH"
fi
grep -q 'set SOURCE_DATE_EPOCH' "$work/refused.log" || { cat "$work/refused.log"; fail "no word about SOURCE_DATE_EPOCH"; }

elsewhere "$copy/scripts/build-deps.sh" >"$work/build-deps.log" 2>&1 ||
  { tail -n 20 "$work/build-deps.log"; fail "scripts/build-deps.sh failed in the copy"; }
epoch=$(git -C "$root" log -1 --format=%ct)
elsewhere env SOURCE_DATE_EPOCH="$epoch" "$copy/scripts/package.sh" >"$work/package.log" 2>&1 ||
  { tail -n 20 "$work/package.log"; fail "scripts/package.sh failed in the copy"; }
(cd "$copy" && elsewhere cmake --preset win64 >/dev/null &&
  elsewhere cmake --build --preset win64 --target SarvaneShuttle >/dev/null) ||
  fail "the 64-bit build failed in the copy"

compared=0 differing=()
for f in build/win32/SarvaneShuttle.scr build/win64/SarvaneShuttle.scr build/dist/*; do
  [ -f "$root/$f" ] || fail "$root/$f is missing: run scripts/package.sh and build both presets first"
  compared=$((compared + 1))
  cmp -s "$root/$f" "$copy/$f" || differing+=("$f")
done
[ "$compared" -eq 6 ] || fail "expected six files to compare, found $compared"
if [ ${#differing[@]} -gt 0 ]; then
  for f in "${differing[@]}"; do
    echo "differs: $f"
    diffoscope --text - --max-report-size 20000 "$root/$f" "$copy/$f" || true
  done
  fail "${#differing[@]} of $compared files differ"
fi
echo "reproducible: both .scr, the packages, their bill of materials and SHA256SUMS are byte-identical"
