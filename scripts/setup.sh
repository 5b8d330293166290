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
  googletest libgtest-dev libgd-dev pkg-config libjpeg-turbo-progs
  wixl msitools zip unzip
  faketime osslsigncode openssl diffoscope-minimal nodejs node-spdx-expression-parse
)

sudo_if_needed() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
say() { echo "setup: $*"; }
export DEBIAN_FRONTEND=noninteractive
# shellcheck source=scripts/wine-env.sh
source "$here/scripts/wine-env.sh"

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
installed_version() {
  { dpkg-query -W -f='${Status} ${Version}' "$1" 2>/dev/null || true; } | sed -n 's/^install ok installed //p'
}
first_error() { grep -m 1 -E '^(E|W|Err):' "$1" | cut -c 1-200; }

# apt_update: the package lists, in at most three tries within about a minute.
# A mirror in the middle of a sync serves some lists of the wrong size for a
# while; those that did arrive are usually enough, so a list that still fails
# is reported in one line and the setup goes on.
lists_fetched=0
apt_update() {
  local log start=$SECONDS try left
  lists_fetched=1
  log=$(mktemp)
  for try in 1 2 3; do
    left=$((60 - (SECONDS - start)))
    [ "$left" -ge 10 ] || break
    if sudo_if_needed timeout "$left" apt-get update -qq >"$log" 2>&1; then
      rm -f "$log"
      return 0
    fi
    [ "$try" -eq 3 ] || sleep 3
  done
  say "not every package list could be fetched after $try tries, going on with those that arrived: $(first_error "$log")"
  rm -f "$log"
}

# apt_install PACKAGE...: installs them. Where apt cannot resolve them against
# the lists as they stand (a half-synced security suite can leave the amd64
# and i386 twins of one library at versions that no longer agree), once more
# with the release's own suite preferred, where the two architectures agree.
# On failure APT_ERROR holds apt's first complaint.
apt_install() {
  local log codename
  APT_ERROR=
  [ $lists_fetched -eq 1 ] || apt_update
  log=$(mktemp)
  if sudo_if_needed apt-get install -y -qq --no-install-recommends "$@" >"$log" 2>&1; then
    rm -f "$log"
    return 0
  fi
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  if [ -n "$codename" ]; then
    say "apt could not install $* ($(first_error "$log")); trying once more from $codename's own suite"
    if sudo_if_needed apt-get install -y -qq --no-install-recommends -t "$codename" "$@" >"$log" 2>&1; then
      rm -f "$log"
      return 0
    fi
  fi
  APT_ERROR=$(first_error "$log")
  rm -f "$log"
  return 1
}

missing=()
for p in "${packages[@]}" wine64; do installed "$p" || missing+=("$p"); done

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
  apt_update
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
  lists_fetched=0  # the source lists are still to be fetched
fi

# Every build needs these; without them there is nothing to go on with.
if [ ${#missing[@]} -gt 0 ]; then
  say "installing ${missing[*]}"
  if ! apt_install "${missing[@]}"; then
    still=()
    for p in "${missing[@]}"; do installed "$p" || still+=("$p"); done
    echo "setup: cannot install ${still[*]}: $APT_ERROR" >&2
    exit 1
  fi
elif [ $added_src -eq 1 ]; then
  apt_update
fi

# The shipped program is 32-bit. Where the kernel cannot run such programs,
# Debian's qemu-user can, registered with binfmt_misc; and only where one of
# the two runs them is the i386 architecture added and wine32 installed, so a
# machine that runs none is spared the i386 lists altogether.
probe_32bit
if [ "$RUN32" = cannot ]; then
  why=
  if ! installed qemu-user-static; then
    say "this kernel runs no 32-bit programs: installing qemu-user-static to run the 32-bit build under emulation"
    apt_install qemu-user-static || why="qemu-user-static could not be installed: $APT_ERROR"
  fi
  if [ -z "$why" ]; then
    if [ "$(id -u)" -eq 0 ]; then
      why=$(register_i386_emulator) || true
    else
      why=$(sudo bash -c 'source "$1"; register_i386_emulator' _ "$here/scripts/wine-env.sh") || true
    fi
  fi
  probe_32bit
  [ "$RUN32" = emulated ] || say "the 32-bit build will be built and inspected, not run: ${why:-the emulator does not run 32-bit programs}"
fi

if [ "$RUN32" != cannot ]; then
  # wine64 and wine32 share libwine, whose two architectures must be of one
  # version: they are installed together, so apt brings an installed wine64
  # to the version it installs wine32 in.
  wine_version=$(installed_version wine64)
  if [ "$wine_version" != "$(installed_version wine32:i386)" ]; then
    added_arch=0
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      sudo_if_needed dpkg --add-architecture i386
      added_arch=1
      apt_update
    fi
    say "installing wine32:i386 for the 32-bit build"
    if apt_install wine64 wine32:i386; then
      rm -f "$RUN32_NOTE"
    else
      mkdir -p "$(dirname "$RUN32_NOTE")"
      echo "wine32 could not be installed: $APT_ERROR" >"$RUN32_NOTE"
      say "$(cat "$RUN32_NOTE"); the 32-bit build will be built and inspected, not run"
      # Its lists would only be fetched, and maybe fail, at every later update.
      [ $added_arch -eq 0 ] || sudo_if_needed dpkg --remove-architecture i386 || true
    fi
  fi
  if installed wine32:i386 && ! "$WINE32" --version >/dev/null 2>&1; then
    say "wine32 is installed but does not start; the 32-bit build will be built and inspected, not run"
  fi
fi

"$here/scripts/build-deps.sh"
