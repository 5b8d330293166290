#!/usr/bin/env bash
# Builds the release packages of the shipped 32-bit screensaver:
#   SarvaneShuttle-<version>.msi   Windows Installer package, per machine: the .scr
#                                  into the system folder, the licence notices into
#                                  Program Files\SarvaneShuttle
#   SarvaneShuttle-<version>.zip   the .scr, install texts (German, English), notices
#   SHA256SUMS                     over both
#
# Usage: scripts/package.sh [--version A.B.C.D] [--out DIR]
#   --version  build the program under another version number (in
#              build/package-win32) and package that; the package tests make
#              a newer and an older release this way
#   --out      write the packages there instead of build/dist
#
# The version is the project's (CMakeLists.txt). Windows Installer compares only
# the first three fields of a product version (at most 255.255.65535), so the
# build number is folded into the third: A.B.C.D becomes A.B.(C*1000+D). With
# C at most 64 and D at most 999, every later version gets a higher installer
# version; anything outside that range is refused here.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

die() { echo "package: error: $*" >&2; exit 1; }

version='' out="$root/build/dist"
while [ $# -gt 0 ]; do
  case $1 in
    --version) [ $# -ge 2 ] || die "--version needs a value"; version=$2; shift 2 ;;
    --out) [ $# -ge 2 ] || die "--out needs a value"; out=$2; shift 2 ;;
    *) die "unknown argument '$1' (usage: scripts/package.sh [--version A.B.C.D] [--out DIR])" ;;
  esac
done
for tool in wixl zip dpkg-source sha256sum; do
  command -v "$tool" >/dev/null || die "$tool is missing: run scripts/setup.sh"
done

# installer_version A.B.C.D [STEP]: the three-field installer version, with STEP
# (default 0) added to the build number.
installer_version() {
  local a b c d
  [[ $1 =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] || die "version '$1' is not four numbers separated by dots"
  IFS=. read -r a b c d <<<"$1"
  a=$((10#$a)) b=$((10#$b)) c=$((10#$c)) d=$((10#$d))
  if [ "$a" -gt 255 ] || [ "$b" -gt 255 ] || [ "$c" -gt 64 ] || [ "$d" -gt 999 ]; then
    die "version $1 has no installer version: major and minor go up to 255, the third field to 64, the fourth to 999"
  fi
  echo "$a.$b.$((c * 1000 + d + ${2:-0}))"
}

if [ -z "$version" ]; then
  build="$root/build/win32"
  cmake --preset win32 >/dev/null
else
  installer_version "$version" >/dev/null
  build="$root/build/package-win32"
  cmake --preset win32 -B "$build" -DSARVANE_VERSION_OVERRIDE="$version" >/dev/null
fi
cmake --build "$build" --target SarvaneShuttle
scr="$build/SarvaneShuttle.scr"

# The number the program was just built under, as the build read it.
version=$(sed -n 's/^#define SARVANE_FILE_VERSION_TEXT "\(.*\)"$/\1/p' "$build/generated/SarvaneShuttleVersion.h")
[ -n "$version" ] || die "no version in $build/generated/SarvaneShuttleVersion.h"

msi_version=$(installer_version "$version")
# The first installer version after this one: the upper end of the range of
# copies of this very version that a rebuilt package replaces.
msi_next=$(installer_version "$version" 1)

tmp=$(mktemp -d "${TMPDIR:-/tmp}/sarvane-package.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

# windows_text SRC DEST: a copy that Notepad shows right on every Windows
# version: CRLF line ends, and a byte order mark when the text is not ASCII.
windows_text() {
  {
    if LC_ALL=C grep -q -P '[^\x00-\x7F]' "$1"; then printf '\xef\xbb\xbf'; fi
    sed 's/\r$//; s/$/\r/' "$1"
  } >"$2"
}

# Notices of everything linked into the .scr whose licence asks for it to travel
# with the binary. GD and libjpeg-turbo: from the Debian source packages
# scripts/build-deps.sh built them from, which it keeps in <root>/src beside
# <root>/<gd+jpeg versions>/<triplet>. The MinGW-w64 runtime (start-up code,
# mingwex, winpthreads): Debian's copyright file of the package that holds the
# 32-bit libraries. libstdc++ and libgcc need none: the GCC Runtime Library
# Exception lets their code in compiled programs go under the program's terms.
deps=$(sed -n 's/^SARVANE_DEPS_DIR:[A-Z]*=//p' "$build/CMakeCache.txt")
deps=$(readlink -f "$deps")
stamp=$(cat "$deps/.complete" 2>/dev/null) || die "$deps was not built by scripts/build-deps.sh"
gd_version=$(sed -n 's/.* gd=\([^ ]*\).*/\1/p' <<<"$stamp")
jpeg_version=$(sed -n 's/.* jpeg=\([^ ]*\).*/\1/p' <<<"$stamp")
sources="$(dirname "$(dirname "$deps")")/src"
unpack() { # <source package> <Debian version> <dir>
  local dsc="$sources/${1}_${2#*:}.dsc"
  [ -f "$dsc" ] || die "$dsc is missing: run scripts/build-deps.sh"
  dpkg-source -x "$dsc" "$3" >"$tmp/unpack.log" 2>&1 || { cat "$tmp/unpack.log" >&2; die "cannot unpack $dsc"; }
}
unpack libgd2 "$gd_version" "$tmp/gd"
unpack libjpeg-turbo "$jpeg_version" "$tmp/jpeg"
mingw_copyright=/usr/share/doc/mingw-w64-i686-dev/copyright
[ -f "$mingw_copyright" ] || die "$mingw_copyright is missing: run scripts/setup.sh"
notices="$tmp/notices"
mkdir -p "$notices"
windows_text "$tmp/gd/COPYING" "$notices/GD.txt"
windows_text "$tmp/jpeg/LICENSE.md" "$notices/libjpeg-turbo.txt"
windows_text "$tmp/jpeg/README.ijg" "$notices/libjpeg-turbo-IJG.txt"
windows_text "$mingw_copyright" "$notices/MinGW-w64.txt"

name="SarvaneShuttle-$version"
mkdir -p "$tmp/out" "$tmp/msi"
cp "$root/packaging/SarvaneShuttle.wxs" "$scr" "$root/resources/icon/MainIcon.ico" "$tmp/msi/"
cp -r "$notices" "$tmp/msi/"
(cd "$tmp/msi" && wixl --arch x86 -D Version="$msi_version" -D NextVersion="$msi_next" \
  -o "$tmp/out/$name.msi" SarvaneShuttle.wxs)

content="$tmp/zip/$name"
mkdir -p "$content/notices"
cp "$scr" "$content/"
cp "$notices"/* "$content/notices/"
for text in LIESMICH.txt README.txt; do
  sed "s/@VERSION@/$version/g" "$root/packaging/$text" >"$tmp/$text"
  windows_text "$tmp/$text" "$content/$text"
done
# Sorted, without directory entries or Unix extra fields: the archive's layout
# depends on its files alone.
(cd "$tmp/zip" && find "$name" -type f | LC_ALL=C sort | zip -q -X -D "$tmp/out/$name.zip" -@)

(cd "$tmp/out" && sha256sum "$name.msi" "$name.zip" >SHA256SUMS)
mkdir -p "$out"
rm -f "$out"/SarvaneShuttle-*.msi "$out"/SarvaneShuttle-*.zip "$out/SHA256SUMS"
mv "$tmp/out"/* "$out/"
echo "package: $version (installer version $msi_version) in $out:"
(cd "$out" && ls -l "$name.msi" "$name.zip" SHA256SUMS | awk '{print "  " $NF ", " $5 " bytes"}')
