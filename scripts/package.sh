#!/usr/bin/env bash
# Builds the release packages of the shipped 32-bit screensaver:
#   SarvaneShuttle-<version>.msi   Windows Installer package, per machine: the .scr
#                                  into the system folder, the licence notices into
#                                  Program Files\SarvaneShuttle
#   SarvaneShuttle-<version>.zip   the .scr, install texts (German, English), notices
#                                  and the bill of materials
#   SarvaneShuttle-<version>.spdx.json  bill of materials (SPDX 2.3): what is
#                                  built into the .scr, with versions and licences
#   SHA256SUMS                     over the three
#
# The packages are reproducible: the same commit gives the same bytes, wherever
# and whenever it is built. Every time they record is SOURCE_DATE_EPOCH, by
# default the last commit's time; a tree that is not a git work tree needs it set.
#
# Signing (Authenticode, the .scr and then the .msi), when the environment names
# a key: SARVANE_SIGN_PFX (a PKCS#12 file), SARVANE_SIGN_PASSWORD (its password)
# and optionally SARVANE_SIGN_TIMESTAMP_URL (an RFC 3161 time-stamp server).
# Without SARVANE_SIGN_PFX the packages are left unsigned.
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
[ -f "/usr/lib/$(gcc -print-multiarch)/faketime/libfaketime.so.1" ] || die "libfaketime is missing: run scripts/setup.sh"
for tool in wixl msibuild msiinfo zip dpkg-source dpkg-query sha256sum openssl osslsigncode; do
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

# The one time everything records. In UTC, so the time zone leaves no trace
# (zip and the installer's cabinet store local times).
export TZ=UTC
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  [ "$(git -C "$root" rev-parse --show-toplevel 2>/dev/null)" = "$(cd "$root" && pwd -P)" ] ||
    die "$root is not a git work tree: set SOURCE_DATE_EPOCH to the time the packages should record (seconds since 1970)"
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct)
fi
[[ $SOURCE_DATE_EPOCH =~ ^[0-9]+$ ]] || die "SOURCE_DATE_EPOCH '$SOURCE_DATE_EPOCH' is not a number of seconds"
export SOURCE_DATE_EPOCH
epoch_text=$(date -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S')

tmp=$(mktemp -d "${TMPDIR:-/tmp}/sarvane-package.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

# The password goes to osslsigncode and openssl through a pipe, never on a
# command line, where every user could read it in the process list.
password() { printf '%s' "$SARVANE_SIGN_PASSWORD"; }

# Checked before anything is built, so that a bad key stops the run early.
check_signing_key() {
  [ -f "$SARVANE_SIGN_PFX" ] || die "SARVANE_SIGN_PFX: no file $SARVANE_SIGN_PFX"
  [ -n "${SARVANE_SIGN_PASSWORD+set}" ] || die "SARVANE_SIGN_PFX is set but SARVANE_SIGN_PASSWORD is not"
  openssl pkcs12 -in "$SARVANE_SIGN_PFX" -passin stdin -nokeys -clcerts -out "$tmp/signer.pem" \
    < <(password) 2>"$tmp/openssl.log" ||
    die "cannot open $SARVANE_SIGN_PFX: wrong password, or not a PKCS#12 file ($(head -n 1 "$tmp/openssl.log"))"
  # osslsigncode signs with an expired certificate without a word.
  openssl x509 -in "$tmp/signer.pem" -noout -checkend 0 >/dev/null ||
    die "the certificate in $SARVANE_SIGN_PFX has expired ($(openssl x509 -in "$tmp/signer.pem" -noout -enddate))"
}

# sign FILE: Authenticode-signs FILE in place. The signing time is the one
# time of the packages, so that one key gives the same signed bytes each time.
sign() {
  local timestamp=()
  [ -z "${SARVANE_SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$SARVANE_SIGN_TIMESTAMP_URL")
  osslsigncode sign -pkcs12 "$SARVANE_SIGN_PFX" -readpass /dev/stdin -h sha256 \
    -n SarvaneShuttle -time "$SOURCE_DATE_EPOCH" "${timestamp[@]}" \
    -in "$1" -out "$1.signed" < <(password) >"$tmp/sign.log" 2>&1 ||
    { cat "$tmp/sign.log" >&2; die "cannot sign $(basename "$1")"; }
  mv "$1.signed" "$1"
}

signing=0
if [ -n "${SARVANE_SIGN_PFX:-}" ]; then
  check_signing_key
  signing=1
fi

if [ -z "$version" ]; then
  build="$root/build/win32"
  cmake --preset win32 >/dev/null
else
  installer_version "$version" >/dev/null
  build="$root/build/package-win32"
  cmake --preset win32 -B "$build" -DSARVANE_VERSION_OVERRIDE="$version" >/dev/null
fi
cmake --build "$build" --target SarvaneShuttle
built_scr="$build/SarvaneShuttle.scr"

# The number the program was just built under, as the build read it.
version=$(sed -n 's/^#define SARVANE_FILE_VERSION_TEXT "\(.*\)"$/\1/p' "$build/generated/SarvaneShuttleVersion.h")
[ -n "$version" ] || die "no version in $build/generated/SarvaneShuttleVersion.h"

msi_version=$(installer_version "$version")
# The first installer version after this one: the upper end of the range of
# copies of this very version that a rebuilt package replaces.
msi_next=$(installer_version "$version" 1)

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
# 32-bit libraries. GCC's runtime libraries (libgcc, libstdc++, and libssp,
# the stack protector's and the checked string functions' library): Debian's
# copyright file of the compiler package that holds them. The GCC Runtime
# Library Exception asks for no notice, but that file is what says these three
# are under it.
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
gcc_copyright=/usr/share/doc/gcc-mingw-w64-i686-posix/copyright
for f in "$mingw_copyright" "$gcc_copyright"; do
  [ -f "$f" ] || die "$f is missing: run scripts/setup.sh"
done
notices="$tmp/notices"
mkdir -p "$notices"
windows_text "$tmp/gd/COPYING" "$notices/GD.txt"
windows_text "$tmp/jpeg/LICENSE.md" "$notices/libjpeg-turbo.txt"
windows_text "$tmp/jpeg/README.ijg" "$notices/libjpeg-turbo-IJG.txt"
windows_text "$mingw_copyright" "$notices/MinGW-w64.txt"
windows_text "$gcc_copyright" "$notices/GCC.txt"

# linked_package LIBRARY: "<package> <version> <architecture>" of the Debian
# package that holds the LIBRARY the 32-bit compiler links into the .scr.
linked_package() {
  local file
  file=$(readlink -f "$(i686-w64-mingw32-g++-posix -print-file-name="$1")")
  dpkg-query -W -f='${Package} ${Version} ${Architecture}' "$(dpkg -S "$file" | cut -d: -f1)"
}

# Debian names and versions may hold characters that a package URL escapes.
purl_escape() { sed 's/:/%3A/g; s/+/%2B/g' <<<"$1"; }

# spdx_component ID NAME "PACKAGE VERSION ARCHITECTURE" LICENCE: one package
# entry of the bill of materials, with the package URL of the Debian package it
# came from (architecture "source" for the ones built here from source).
spdx_component() {
  local package version arch
  read -r package version arch <<<"$3"
  cat <<EOF
    {
      "SPDXID": "SPDXRef-$1",
      "name": "$2",
      "versionInfo": "$version",
      "downloadLocation": "NOASSERTION",
      "filesAnalyzed": false,
      "licenseConcluded": "NOASSERTION",
      "licenseDeclared": "$4",
      "copyrightText": "NOASSERTION",
      "externalRefs": [ { "referenceCategory": "PACKAGE-MANAGER", "referenceType": "purl",
                          "referenceLocator": "pkg:deb/debian/$(purl_escape "$package")@$(purl_escape "$version")?arch=$arch" } ]
    },
EOF
}

# The components of the .scr: SPDX id, name, Debian package and version, licence.
components() {
  spdx_component GD GD "libgd2 $gd_version source" GD
  spdx_component libjpeg-turbo libjpeg-turbo "libjpeg-turbo $jpeg_version source" "IJG AND BSD-3-Clause AND Zlib"
  spdx_component MinGW-w64-runtime "MinGW-w64 runtime" "$(linked_package libmingwex.a)" \
    "ZPL-2.1 AND BSD-3-Clause AND BSD-2-Clause AND ISC AND LicenseRef-MinGW-w64-other"
  spdx_component winpthreads winpthreads "$(linked_package libwinpthread.a)" "MIT AND BSD-3-Clause"
  spdx_component libstdcxx libstdc++ "$(linked_package libstdc++.a)" "GPL-3.0-or-later WITH GCC-exception-3.1"
  spdx_component libgcc libgcc "$(linked_package libgcc.a)" "GPL-3.0-or-later WITH GCC-exception-3.1"
  spdx_component libssp libssp "$(linked_package libssp.a)" "GPL-3.0-or-later WITH GCC-exception-3.1"
}

# bill_of_materials SCR OUT: what is built into SCR, as an SPDX 2.3 document
# that only SCR and the epoch decide.
bill_of_materials() {
  local sha created entries
  sha=$(sha256sum <"$1" | cut -d' ' -f1)
  created=$(date -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%dT%H:%M:%SZ')
  entries=$(components)
  cat >"$2" <<EOF
{
  "spdxVersion": "SPDX-2.3",
  "dataLicense": "CC0-1.0",
  "SPDXID": "SPDXRef-DOCUMENT",
  "name": "$name",
  "documentNamespace": "https://spdx.org/spdxdocs/$name-$sha",
  "creationInfo": { "created": "$created", "creators": [ "Tool: SarvaneShuttle scripts/package.sh" ] },
  "packages": [
    {
      "SPDXID": "SPDXRef-SarvaneShuttle",
      "name": "SarvaneShuttle",
      "versionInfo": "$version",
      "packageFileName": "SarvaneShuttle.scr",
      "primaryPackagePurpose": "APPLICATION",
      "downloadLocation": "NOASSERTION",
      "filesAnalyzed": false,
      "checksums": [ { "algorithm": "SHA256", "checksumValue": "$sha" } ],
      "licenseConcluded": "NOASSERTION",
      "licenseDeclared": "NOASSERTION",
      "copyrightText": "NOASSERTION"
    },
${entries%,}
  ],
  "hasExtractedLicensingInfos": [
    {
      "licenseId": "LicenseRef-MinGW-w64-other",
      "name": "MinGW-w64 runtime: further terms of single files",
      "extractedText": "Single files of the MinGW-w64 runtime are in the public domain or under permissive terms of their own (gdtoa: Lucent and David M. Gay; Sun; Keith Marshall; NetBSD). Their full texts are in notices/MinGW-w64.txt."
    }
  ],
  "relationships": [
    { "spdxElementId": "SPDXRef-DOCUMENT", "relationshipType": "DESCRIBES", "relatedSpdxElement": "SPDXRef-SarvaneShuttle" },
$(sed -n 's/^ *"SPDXID": "\(.*\)",$/    { "spdxElementId": "SPDXRef-SarvaneShuttle", "relationshipType": "CONTAINS", "relatedSpdxElement": "\1" },/p' <<<"$entries" | sed '$ s/,$//')
  ]
}
EOF
}

# guid LABEL: a GUID that the package's inputs and LABEL decide (an RFC 9562
# version 8 UUID from their SHA-256): a rebuild gets the same one, a package
# that differs in anything gets another, as Windows Installer requires.
guid() {
  local h
  h=$({ echo "$1"; echo "$msi_inputs"; } | sha256sum | tr a-f A-F)
  echo "{${h:0:8}-${h:8:4}-8${h:13:3}-A${h:17:3}-${h:20:12}}"
}

# at_epoch COMMAND...: runs COMMAND with the clock stopped at the epoch, for the
# tools that write the current time and have no option against it. File times
# stay real (NO_FAKE_STAT): the staged files carry the epoch themselves. This
# is what the faketime command does, but without it, so that it also holds
# when the caller's own clock is faked.
libfaketime='/usr/$LIB/faketime/libfaketime.so.1'
at_epoch() {
  env -u FAKETIME_SHARED LD_PRELOAD="$libfaketime" FAKETIME="$epoch_text" NO_FAKE_STAT=1 "$@"
}

name="SarvaneShuttle-$version"
scr="$tmp/SarvaneShuttle.scr"
cp "$built_scr" "$scr"
if [ $signing -eq 1 ]; then
  sign "$scr"
else
  echo "package: SARVANE_SIGN_PFX is not set: the packages are not signed"
fi
mkdir -p "$tmp/out"
bill_of_materials "$scr" "$tmp/out/$name.spdx.json"

mkdir -p "$tmp/msi"
cp "$root/packaging/SarvaneShuttle.wxs" "$scr" "$root/resources/icon/MainIcon.ico" "$tmp/msi/"
cp -r "$notices" "$tmp/msi/"
# The installer's cabinet keeps the files' times; and Windows Installer wants a
# product code and a package code of the package's own, which wixl would draw
# at random (and msibuild sets the package code, which wixl cannot).
chmod 644 "$tmp/msi/SarvaneShuttle.scr"
find "$tmp/msi" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
msi_inputs=$(cd "$tmp/msi" && echo "$msi_version $msi_next" && find . -type f | LC_ALL=C sort | xargs sha256sum)
msi="$tmp/out/$name.msi"
(cd "$tmp/msi" && at_epoch wixl --arch x86 -D Version="$msi_version" -D NextVersion="$msi_next" \
  -D ProductCode="$(guid product)" -o "$msi" SarvaneShuttle.wxs)
at_epoch msibuild "$msi" -s SarvaneShuttle SarvaneShuttle \
  "$(msiinfo suminfo "$msi" | sed -n 's/^Template: //p')" "$(guid package)"
[ $signing -eq 0 ] || sign "$msi"

content="$tmp/zip/$name"
mkdir -p "$content/notices"
cp "$scr" "$content/"
cp "$notices"/* "$content/notices/"
cp "$tmp/out/$name.spdx.json" "$content/"
for text in LIESMICH.txt README.txt; do
  sed "s/@VERSION@/$version/g" "$root/packaging/$text" >"$tmp/$text"
  windows_text "$tmp/$text" "$content/$text"
done
# Sorted, without directory entries or Unix extra fields, every entry at the
# epoch and with the same permissions: the archive depends on its files alone.
chmod 644 "$content/SarvaneShuttle.scr"
find "$content" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
(cd "$tmp/zip" && find "$name" -type f | LC_ALL=C sort | zip -q -X -D "$tmp/out/$name.zip" -@)

(cd "$tmp/out" && sha256sum "$name.msi" "$name.zip" "$name.spdx.json" >SHA256SUMS)
mkdir -p "$out"
rm -f "$out"/SarvaneShuttle-*.msi "$out"/SarvaneShuttle-*.zip "$out"/SarvaneShuttle-*.spdx.json "$out/SHA256SUMS"
mv "$tmp/out"/* "$out/"
echo "package: $version (installer version $msi_version) in $out:"
(cd "$out" && ls -l "$name.msi" "$name.zip" "$name.spdx.json" SHA256SUMS | awk '{print "  " $NF ", " $5 " bytes"}')
