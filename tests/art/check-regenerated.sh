#!/usr/bin/env bash
# Regenerates every art asset into a scratch folder and compares each file byte for
# byte with the committed copy. Exits non-zero, naming every file that differs or is
# missing, so a change to the generator cannot land without its regenerated output.
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

assets=(
  pictures/Dolphin.jpg pictures/Asteroidenfeld.jpg pictures/Sonne.jpg pictures/DeepSpace.jpg pictures/Nebel.jpg
  sprites/Sarvane.bmp sprites/TarnSkimmer.bmp sprites/Calderine.bmp sprites/Thornax.bmp
  preview/Preview.bmp
  icon/MainIcon.ico
)

if ! "$repo/tools/artgen/regenerate.sh" "$scratch/resources" "$scratch/contact-sheet.png" >"$scratch/log" 2>&1; then
  cat "$scratch/log" >&2
  echo "check-regenerated: FAILED - the generator did not run to the end" >&2
  exit 1
fi

failed=0
compare() { # fresh committed label
  if [ ! -f "$2" ]; then
    echo "check-regenerated: MISSING  $3 (not committed)" >&2
    failed=1
  elif ! cmp -s "$1" "$2"; then
    echo "check-regenerated: DIFFERS  $3 ($(cmp "$1" "$2" 2>&1 | head -n 1 | sed 's/^.*differ: //'))" >&2
    failed=1
  fi
}
for f in "${assets[@]}"; do
  compare "$scratch/resources/$f" "$repo/resources/$f" "resources/$f"
done
compare "$scratch/contact-sheet.png" "$repo/docs/contact-sheet.png" "docs/contact-sheet.png"

# Anything the generator writes must be on the list above, or it would go unchecked.
extra=$(cd "$scratch/resources" && find . -type f | sed 's|^\./||' | sort)
expected=$(printf '%s\n' "${assets[@]}" | sort)
if [ "$extra" != "$expected" ]; then
  echo "check-regenerated: the generator's file list changed; update this script:" >&2
  diff <(echo "$expected") <(echo "$extra") >&2 || true
  failed=1
fi

if [ $failed -ne 0 ]; then
  echo "check-regenerated: FAILED - run tools/artgen/regenerate.sh and commit its output" >&2
  exit 1
fi
echo "check-regenerated: all ${#assets[@]} assets and the contact sheet match"
