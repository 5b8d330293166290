#!/usr/bin/env bash
# Prepares a Debian 12 machine to build and test the screensaver: Debian packages,
# then the cross-built static GD and libjpeg (cached outside the tree).
# Idempotent: a second run installs and builds nothing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  g++ cmake ninja-build nasm dpkg-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
  fonts-wine xvfb xserver-xephyr xauth xdotool x11-utils imagemagick
  googletest libgtest-dev libgd-dev pkg-config
  wixl msitools zip unzip
  faketime osslsigncode openssl diffoscope-minimal nodejs node-spdx-expression-parse
)

sudo_if_needed() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# The shipped program is 32-bit: wine32 runs it in the same (WoW64) prefixes as
# wine64. Its packages come from the i386 architecture, whose lists apt fetches
# only after it is added.
added_arch=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  sudo_if_needed dpkg --add-architecture i386
  added_arch=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# wine64 and wine32 share libwine, whose two architectures must be of one
# version: they are installed together, so apt brings an installed wine64 to the
# version it installs wine32 in.
installed_version() {
  { dpkg-query -W -f='${Status} ${Version}' "$1" 2>/dev/null || true; } | sed -n 's/^install ok installed //p'
}
wine_version=$(installed_version wine64)
if [ -z "$wine_version" ] || [ "$wine_version" != "$(installed_version wine32:i386)" ]; then
  missing+=(wine64 wine32:i386)
fi

# apt-get source needs a deb-src entry; Debian 12 images ship only binary ones.
have_src() { grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; }

# debian_src_entries LIST SOURCES: writes a deb-src twin of each binary entry
# that serves Debian's own archive (by the origin in its Release file, so
# mirrors and proxies count) with the same address, suites, components and
# keys: one-line entries to LIST, deb822 stanzas to SOURCES. Other archives are
# left out: most publish no sources, and apt-get update would fail on them.
debian_src_entries() {
  local entry file n
  # shellcheck disable=SC2016 # apt's placeholder, not the shell's
  local format='$(SOURCESENTRY)'
  : >"$1"
  : >"$2"
  while IFS= read -r entry; do
    file=${entry%:*} n=${entry##*:}
    case $file in
      *.sources)
        # apt numbers a file's stanzas from 1, not counting comment-only ones.
        awk -v n="$n" '
          /^[[:space:]]*$/ { if (fields) stanza++; fields = 0; next }
          /^#/ { next }
          { fields = 1 }
          stanza + 1 == n && /^Types:/ { print "Types: deb-src"; next }
          stanza + 1 == n { print }
          END { print "" }' "$file" >>"$2"
        ;;
      *) sed -n "${n}s/^[[:space:]]*deb\([[:space:]]\)/deb-src\1/p" "$file" >>"$1" ;;
    esac
  done < <(apt-get indextargets --format "$format" 'Created-By: Packages' 'Origin: Debian' | sort -u)
}

added_src=0
if ! have_src; then
  # The origins come from the Release files, which a fresh image lacks.
  sudo_if_needed apt-get update -qq
  tmp_src=$(mktemp -d)
  debian_src_entries "$tmp_src/debian-src.list" "$tmp_src/debian-src.sources"
  if [ ! -s "$tmp_src/debian-src.list" ] && [ ! -s "$tmp_src/debian-src.sources" ]; then
    echo "setup: no Debian archive among apt's sources; add one (or a deb-src entry) and run again" >&2
    exit 1
  fi
  for f in "$tmp_src"/debian-src.*; do
    [ ! -s "$f" ] || sudo_if_needed install -m 644 "$f" /etc/apt/sources.list.d/
  done
  rm -rf "$tmp_src"
  added_src=1
fi

if [ ${#missing[@]} -gt 0 ] || [ $added_src -eq 1 ] || [ $added_arch -eq 1 ]; then
  echo "setup: installing ${missing[*]:-(package lists only)}"
  export DEBIAN_FRONTEND=noninteractive
  sudo_if_needed apt-get update -qq
  [ ${#missing[@]} -eq 0 ] || sudo_if_needed apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

"$here/scripts/build-deps.sh"
