#!/usr/bin/env bash
# Prepares a Debian 12 machine to build and test the screensaver: Debian packages,
# then the cross-built static GD and libjpeg (cached outside the tree).
# Idempotent: a second run installs and builds nothing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  g++ cmake ninja-build nasm dpkg-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
  wine64 xvfb xserver-xephyr xauth xdotool x11-utils imagemagick
  googletest libgtest-dev libgd-dev pkg-config
  wixl msitools zip unzip
)

sudo_if_needed() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# apt-get source needs a deb-src entry; Debian 12 images ship only binary ones.
have_src() { grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; }
added_src=0
if ! have_src; then
  sudo_if_needed tee /etc/apt/sources.list.d/debian-src.sources >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  added_src=1
fi

if [ ${#missing[@]} -gt 0 ] || [ $added_src -eq 1 ]; then
  echo "setup: installing ${missing[*]:-(package lists only)}"
  export DEBIAN_FRONTEND=noninteractive
  sudo_if_needed apt-get update -qq
  [ ${#missing[@]} -eq 0 ] || sudo_if_needed apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

"$here/scripts/build-deps.sh"
