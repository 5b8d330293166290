#!/usr/bin/env bash
# Usage: check-package.sh WORKDIR
# Builds the release packages (scripts/package.sh), a newer and an older release
# and a signed one, checks their contents, bill of materials and signatures
# natively, then installs, repairs, upgrades, downgrades and removes them with
# Wine's msiexec.
# Needs WINEPREFIX and DISPLAY: a fresh prefix of its own with a running
# wineserver, on a screen that is not 1024 pixels wide, as scripts/test.sh
# makes them. Wine's 64-bit msiexec installs these 32-bit packages as 64-bit
# Windows would: the .scr into syswow64, the entry into the 32-bit view of the
# registry. The installed .scr then runs as the screen saver host runs it.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$1
# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
[ -n "${WINEPREFIX:-}" ] || { echo "check-package: WINEPREFIX is not set" >&2; exit 2; }
mkdir -p "$work"

# Changing it would leave every installed copy behind at the next upgrade.
upgrade_code='{C2A40620-CD88-4D2F-9ED8-61860C8F92DD}'
shipped="$root/build/win32/SarvaneShuttle.scr"
drive_c="$WINEPREFIX/drive_c"
syswow64="$drive_c/windows/syswow64"
notices_dir="$drive_c/Program Files (x86)/SarvaneShuttle"

# How this machine runs the shipped 32-bit build: natively, only under
# emulation (then a smoke of the installed program, which is what fits the
# time), or not at all (then those checks are skipped, and counted).
run32_support
checks=0 failed=0 skipped=0 emulator_retries=0
# check DESCRIPTION COMMAND...: one named result; the run goes on after a failure.
check() {
  local what=$1
  shift
  checks=$((checks + 1))
  if "$@"; then
    echo "ok   $what"
  else
    echo "FAIL $what"
    failed=$((failed + 1))
  fi
}
# check32 DESCRIPTION COMMAND...: a check that runs the 32-bit program.
check32() {
  if [ "$RUN32" = none ]; then
    echo "skip $1 (32-bit programs cannot run here)"
    skipped=$((skipped + 1))
    return 0
  fi
  check "$@"
}
# Wine's own output of the 32-bit runs; under qemu-user it holds the
# emulator's crash report, if any.
emulator_log=$work/emulator.log
# once_more_on_emulator_crash COMMAND...: COMMAND, and where it failed with the
# emulator's own crash report, COMMAND once more; a failure of the program's
# own checks is never retried.
once_more_on_emulator_crash() {
  : >"$emulator_log"
  "$@" && return 0
  grep -q '^qemu: uncaught target signal' "$emulator_log" || return 1
  emulator_retries=$((emulator_retries + 1))
  echo "     the emulator itself crashed ($(grep -m 1 '^qemu: uncaught target signal' "$emulator_log")); once more"
  : >"$emulator_log"
  "$@"
}
equals() { [ "$1" = "$2" ] || { echo "     expected '$2', got '$1'"; return 1; }; }
same_file() {
  [ -f "$1" ] || { echo "     $1 is missing"; return 1; }
  cmp -s "$1" "$2" || { echo "     $1 differs from $2"; return 1; }
}
absent() { [ ! -e "$1" ] || { echo "     $1 is still there"; return 1; }; }
has_text() { grep -q -F -- "$2" "$1" || { echo "     '$2' not in $1"; return 1; }; }
crlf_only() { ! grep -q $'[^\r]$' "$1" || { echo "     $1 has lines without CR"; return 1; }; }

project_version=$(sed -n 's/^project(SarvaneShuttle VERSION \([0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")
installer_version() { # the documented mapping: A.B.C.D -> A.B.(C*1000+D)
  local a b c d
  IFS=. read -r a b c d <<<"$1"
  echo "$a.$b.$((c * 1000 + d))"
}

echo "== packages"
dist="$root/build/dist"
"$root/scripts/package.sh" >"$work/unsigned.log"

# Signed with a throwaway code-signing key, made here; the password reaches
# scripts/package.sh the documented way, through the environment.
keys="$work/keys"
mkdir -p "$keys"
export SARVANE_SIGN_PASSWORD='Kennwort des Tests'
printf '%s' "$SARVANE_SIGN_PASSWORD" >"$keys/password"
# pfx NAME DAYS: a self-signed code-signing certificate valid for DAYS (-1:
# expired yesterday), with its key in NAME.pfx under the password.
pfx() {
  openssl req -new -newkey rsa:2048 -nodes -keyout "$keys/$1.key" -subj "/CN=SarvaneShuttle test $1" \
    -out "$keys/$1.csr" 2>/dev/null
  printf 'keyUsage = critical, digitalSignature\nextendedKeyUsage = codeSigning\n' >"$keys/ext"
  openssl x509 -req -in "$keys/$1.csr" -signkey "$keys/$1.key" -days "$2" -extfile "$keys/ext" \
    -out "$keys/$1.pem" 2>/dev/null
  openssl pkcs12 -export -inkey "$keys/$1.key" -in "$keys/$1.pem" -passout "file:$keys/password" -out "$keys/$1.pfx"
}
pfx valid 30
pfx expired -1
# Every osslsigncode and openssl command line of the signing run, to show that
# the password is on none of them.
mkdir -p "$work/bin"
for tool in osslsigncode openssl; do
  printf '#!/bin/sh\necho "$*" >>"%s"\nexec %s "$@"\n' "$work/command-lines" "$(command -v "$tool")" >"$work/bin/$tool"
  chmod +x "$work/bin/$tool"
done
PATH="$work/bin:$PATH" SARVANE_SIGN_PFX="$keys/valid.pfx" "$root/scripts/package.sh" --out "$work/signed" >/dev/null
"$root/scripts/package.sh" --version 1.0.1.0 --out "$work/newer" >/dev/null
"$root/scripts/package.sh" --version 1.0.0.1 --out "$work/older" >/dev/null
name="SarvaneShuttle-$project_version"
msi="$dist/$name.msi"
zip="$dist/$name.zip"
newer="$work/newer/SarvaneShuttle-1.0.1.0.msi"
older="$work/older/SarvaneShuttle-1.0.0.1.msi"

check "build/dist holds the two packages, the bill of materials and their checksums" \
  equals "$(cd "$dist" && ls | tr '\n' ' ')" "SHA256SUMS $name.msi $name.spdx.json $name.zip "
check "SHA256SUMS lists exactly these three" \
  equals "$(awk '{print $2}' "$dist/SHA256SUMS" | tr '\n' ' ')" "$name.msi $name.zip $name.spdx.json "
check "without a key it says in one line that the packages are not signed" \
  equals "$(grep -c 'not signed' "$work/unsigned.log")" 1
check "SHA256SUMS matches the packages" bash -c "cd '$dist' && sha256sum --quiet -c SHA256SUMS"

refused_versions() {
  local v
  for v in 1.2.3 1.0.65.0 1.0.0.1000 256.0.0.0; do
    if "$root/scripts/package.sh" --version "$v" --out "$work/refused" >/dev/null 2>&1; then
      echo "     version $v was packaged"
      return 1
    fi
  done
  absent "$work/refused"
}
check "versions without a rising installer version are refused" refused_versions

echo "== archive"
unzip -q "$zip" -d "$work/zip"
content="$work/zip/$name"
check "the archive holds the .scr, both install texts and the notices in one folder" \
  equals "$(unzip -Z1 "$zip" | tr '\n' ' ')" \
  "$name/LIESMICH.txt $name/README.txt $name/$name.spdx.json $name/SarvaneShuttle.scr $name/notices/GCC.txt $name/notices/GD.txt $name/notices/MinGW-w64.txt $name/notices/libjpeg-turbo-IJG.txt $name/notices/libjpeg-turbo.txt "
check "the archive's .scr is the shipped 32-bit build" same_file "$content/SarvaneShuttle.scr" "$shipped"
check "the archive's bill of materials is the one beside it" same_file "$content/$name.spdx.json" "$dist/$name.spdx.json"
notice_texts() {
  has_text "$content/notices/GD.txt" "Credits and license terms" &&
    has_text "$content/notices/libjpeg-turbo.txt" "libjpeg-turbo Licenses" &&
    has_text "$content/notices/libjpeg-turbo-IJG.txt" "LEGAL ISSUES" &&
    has_text "$content/notices/MinGW-w64.txt" "mingw-w64-libraries/winpthreads" &&
    has_text "$content/notices/MinGW-w64.txt" "Permission is hereby granted, free of charge" &&
    has_text "$content/notices/GCC.txt" "GCC RUNTIME LIBRARY EXCEPTION" &&
    has_text "$content/notices/GCC.txt" " - libssp"
}
check "each notice is its library's licence text" notice_texts
install_texts() {
  local t
  for t in LIESMICH.txt README.txt; do
    has_text "$content/$t" "msiexec /i $name.msi /qn" && has_text "$content/$t" "$name.spdx.json" &&
      ! grep -q @VERSION@ "$content/$t" || return 1
  done
  has_text "$content/LIESMICH.txt" "Bildschirmschoner-Einstellungen" &&
    has_text "$content/README.txt" "based in part on the work of the Independent JPEG Group"
}
check "the install texts name this version's package and bill of materials, in German and English" install_texts
windows_texts() {
  local t
  for t in "$content"/*.txt "$content"/notices/*.txt; do crlf_only "$t" || return 1; done
  # German text: a byte order mark, so Notepad reads it as UTF-8 everywhere.
  equals "$(head -c 3 "$content/LIESMICH.txt" | od -An -tx1 | tr -d ' ')" efbbbf
}
check "texts have Windows line ends, the German one a byte order mark" windows_texts

echo "== bill of materials"
sha256() { sha256sum <"$1" | cut -d' ' -f1; }
created=$(date -u -d "@$(git -C "$root" log -1 --format=%ct)" +%Y-%m-%dT%H:%M:%SZ)
spdx() { NODE_PATH=/usr/share/nodejs node "$root/tests/package/check-spdx.js" "$@"; }
# What the shipped build was linked from: the cross-built libraries' versions
# (scripts/build-deps.sh stamps them) and the Debian packages of the rest.
deps_stamp=$(cat "$(sed -n 's/^SARVANE_DEPS_DIR:[A-Z]*=//p' "$root/build/win32/CMakeCache.txt")/.complete")
debian_version() { dpkg-query -W -f='${Version}' "$1"; }
components="GD $(sed -n 's/.* gd=\([^ ]*\).*/\1/p' <<<"$deps_stamp")
libjpeg-turbo $(sed -n 's/.* jpeg=\([^ ]*\).*/\1/p' <<<"$deps_stamp")
MinGW-w64 runtime $(debian_version mingw-w64-i686-dev)
winpthreads $(debian_version mingw-w64-i686-dev)
libstdc++ $(debian_version g++-mingw-w64-i686-posix)
libgcc $(debian_version gcc-mingw-w64-i686-posix)
libssp $(debian_version gcc-mingw-w64-i686-posix)"
check "valid SPDX 2.3, every licence parses, it describes the shipped .scr, created at the last commit" \
  spdx "$dist/$name.spdx.json" "$(sha256 "$shipped")" "$created" >/dev/null
check "it lists GD, libjpeg-turbo, the MinGW-w64 runtime, winpthreads, libstdc++, libgcc and libssp as built" \
  equals "$(spdx "$dist/$name.spdx.json" "$(sha256 "$shipped")" "$created")" "$components"

echo "== signatures"
unzip -q "$work/signed/$name.zip" -d "$work/signed"
signed_scr="$work/signed/$name/SarvaneShuttle.scr"
signed_msi="$work/signed/$name.msi"
verified() { osslsigncode verify -in "$1" -CAfile "$keys/valid.pem" >"$work/verify.log" 2>&1; }
check "the signed .scr verifies against the certificate" verified "$signed_scr"
check "the signed .msi verifies against the certificate" verified "$signed_msi"
check "the signed bill of materials describes the signed .scr" \
  spdx "$work/signed/$name.spdx.json" "$(sha256 "$signed_scr")" "$created" >/dev/null
check "the password was on no command line" bash -c "! grep -q -F '$SARVANE_SIGN_PASSWORD' '$work/command-lines'"
# flip FILE OFFSET: inverts one byte.
flip() {
  local byte
  byte=$(od -An -tu1 -j "$2" -N1 "$1" | tr -d ' ')
  printf "\\$(printf '%03o' $((byte ^ 255)))" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}
tampered_code() {
  local size offset
  read -r size offset < <(i686-w64-mingw32-objdump -h "$signed_scr" | awk '$2 == ".text" { print $3, $6 }')
  cp "$signed_scr" "$work/tampered.scr"
  flip "$work/tampered.scr" $((16#$offset + 16#$size / 2))
  ! verified "$work/tampered.scr" || { echo "     a byte changed in .text still verifies"; return 1; }
}
check "a byte changed in the .scr's code fails verification" tampered_code
tampered_cabinet() {
  local cabinet
  cabinet=$(grep -obUaP 'MSCF\x00\x00\x00\x00' "$signed_msi" | head -n 1 | cut -d: -f1)
  cp "$signed_msi" "$work/tampered.msi"
  flip "$work/tampered.msi" $((cabinet + 300))
  msiinfo extract "$signed_msi" SarvaneShuttle.cab >"$work/signed.cab"
  msiinfo extract "$work/tampered.msi" SarvaneShuttle.cab >"$work/tampered.cab"
  ! cmp -s "$work/signed.cab" "$work/tampered.cab" || { echo "     the byte is not in the cabinet"; return 1; }
  ! verified "$work/tampered.msi" || { echo "     a byte changed in the cabinet still verifies"; return 1; }
}
check "a byte changed in the .msi's cabinet fails verification" tampered_cabinet
# refused_key MESSAGE VARIABLES...: scripts/package.sh with the signing
# variables given stops with MESSAGE and leaves the signed set as it was.
refused_key() {
  local message=$1
  shift
  (cd "$work/signed" && sha256sum "$name".* SHA256SUMS >"$work/before")
  if env "$@" "$root/scripts/package.sh" --out "$work/signed" >"$work/refused.log" 2>&1; then
    echo "     it signed"
    return 1
  fi
  has_text "$work/refused.log" "$message" &&
    (cd "$work/signed" && sha256sum --quiet -c "$work/before") &&
    equals "$(cd "$work/signed" && ls "$name".* | tr '\n' ' ')" "$name.msi $name.spdx.json $name.zip "
}
check "a missing key file stops it, leaving the last set" \
  refused_key "no file $keys/missing.pfx" SARVANE_SIGN_PFX="$keys/missing.pfx"
check "a wrong password stops it, leaving the last set" \
  refused_key "wrong password" SARVANE_SIGN_PFX="$keys/valid.pfx" SARVANE_SIGN_PASSWORD=falsch
check "an expired certificate stops it, leaving the last set" \
  refused_key "has expired" SARVANE_SIGN_PFX="$keys/expired.pfx"

echo "== installer tables"
table() { msiinfo export "$1" "$2" | tr -d '\r' | tail -n +4; }
property() { table "$1" Property | awk -F'\t' -v p="$2" '$1 == p { print $2 }'; }
check "product version follows the version mapping" \
  equals "$(property "$msi" ProductVersion)" "$(installer_version "$project_version")"
check "versions of the newer and the older test release" \
  equals "$(property "$newer" ProductVersion) $(property "$older" ProductVersion)" "1.0.1000 1.0.1"
check "all packages carry the fixed upgrade code" \
  equals "$(property "$msi" UpgradeCode) $(property "$newer" UpgradeCode) $(property "$signed_msi" UpgradeCode)" \
  "$upgrade_code $upgrade_code $upgrade_code"
differs() { [ "$1" != "$2" ] || { echo "     both are '$1'"; return 1; }; }
# Windows Installer takes two packages with one package code for the same one.
package_code() { msiinfo suminfo "$1" | sed -n 's/^Revision number (UUID): //p'; }
codes_of_its_own() {
  differs "$(property "$msi" ProductCode)" "$(property "$signed_msi" ProductCode)" &&
    differs "$(package_code "$msi")" "$(package_code "$signed_msi")" &&
    differs "$(package_code "$msi")" "$(package_code "$newer")"
}
check "a package that differs, signed or of another version, has codes of its own" codes_of_its_own
check "per machine, publisher and icon in the installed-programs list" \
  equals "$(property "$msi" ALLUSERS) $(property "$msi" Manufacturer) $(property "$msi" ARPPRODUCTICON)" \
  "1 SarvaneShuttle MainIcon.ico"
file_directory() { # <package> <file>: the directory its component installs to
  local component
  component=$(table "$1" File | awk -F'\t' -v f="$2" '$3 == f { print $2 }')
  table "$1" Component | awk -F'\t' -v c="$component" '$1 == c { print $3 }'
}
check "the .scr goes to the system folder, with its size" \
  equals "$(file_directory "$msi" SarvaneShuttle.scr) $(table "$msi" File | awk -F'\t' '$3 == "SarvaneShuttle.scr" { print $4 }')" \
  "SystemFolder $(stat -c %s "$shipped")"
check "the notices go to SarvaneShuttle under Program Files" \
  equals "$(table "$msi" Directory | awk -F'\t' -v d="$(file_directory "$msi" GD.txt)" '$1 == d { print $2 "/" $3 }')" \
  "ProgramFilesFolder/SarvaneShuttle"
thirty_two_bit() {
  equals "$(msiinfo suminfo "$msi" | sed -n 's/^Template: \([^;]*\);.*/\1/p')" Intel &&
    equals "$(table "$msi" Component | awk -F'\t' 'int($4 / 256) % 2 == 1' | wc -l)" 0
}
check "a 32-bit package: Intel platform, no 64-bit component" thirty_two_bit
check "a downgrade stops with a message" \
  has_text <(table "$msi" LaunchCondition) "A newer version of SarvaneShuttle is already installed"

echo "== install, repair, upgrade, downgrade, uninstall"
# msiexec's installer service outlives the call and inherits its output: never
# hand it a pipe. Wine passes only the low byte of the exit code to Linux.
msiexec() { "$WINE" msiexec "$@" >/dev/null 2>&1; }
windows_path() { local p=${1//\//\\}; echo "Z:$p"; }
exit_code() { local rc=0; msiexec "$@" || rc=$?; echo "$rc"; }
# entries: "view product-code publisher version" for each installed-programs entry named
# SarvaneShuttle, in both registry views.
entries() {
  local bits key
  for bits in 64 32; do
    key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
    [ "$bits" = 64 ] || key='HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall'
    "$WINE" reg query "$key" /s 2>/dev/null | tr -d '\r' | awk -v view="$bits-bit" '
      function flush() { if (name == "SarvaneShuttle") print view, key, publisher, version }
      /^HKEY/ { flush(); n = split($0, parts, "\\"); key = parts[n]; name = publisher = version = ""; next }
      { value = $0; sub(/^ *[^ ]+ +[^ ]+ */, "", value) }
      $1 == "DisplayName" { name = value }
      $1 == "Publisher" { publisher = value }
      $1 == "DisplayVersion" { version = value }
      END { flush() }'
  done
}
product_code() { entries | awk '{ print $2 }'; }
# The icon Windows Installer registered for the product, as a path in the prefix.
product_icon() {
  local icon
  icon=$("$WINE" reg query 'HKLM\Software\Classes\Installer\Products' /s 2>/dev/null | tr -d '\r' | awk '
    /^HKEY/ { if (name == "SarvaneShuttle") print icon; name = icon = ""; next }
    { value = $0; sub(/^ *[^ ]+ +[^ ]+ */, "", value) }
    $1 == "ProductName" { name = value }
    $1 == "ProductIcon" { icon = value }
    END { if (name == "SarvaneShuttle") print icon }')
  icon=${icon#[Cc]:}
  echo "$drive_c${icon//\\//}"
}
same_notices() {
  equals "$(cd "$notices_dir" && ls | tr '\n' ' ')" "$(cd "$content/notices" && ls | tr '\n' ' ')" || return 1
  local n
  for n in "$content"/notices/*; do same_file "$notices_dir/$(basename "$n")" "$n" || return 1; done
}

check "silent install succeeds" equals "$(exit_code /i "$(windows_path "$msi")" /qn)" 0
check "the .scr in syswow64 is the shipped one" same_file "$syswow64/SarvaneShuttle.scr" "$shipped"
check "nothing in the 64-bit system folder" absent "$drive_c/windows/system32/SarvaneShuttle.scr"
check "the notices are installed" same_notices
release_entry="32-bit $(product_code) SarvaneShuttle $(installer_version "$project_version")"
check "one installed-programs entry, 32-bit, with publisher and version" equals "$(entries)" "$release_entry"
check "the entry shows the program's icon" same_file "$(product_icon)" "$root/resources/icon/MainIcon.ico"

echo "== the installed program"
# Started as the screen saver host starts it: the 32-bit .scr from the system
# folder, which is its working directory too. This screen needs the picture
# cache, so the first run builds it there (Wine has no file virtualization).
installed='C:\windows\syswow64\SarvaneShuttle.scr'
cache_files=()
for picture in Dolphin Asteroidenfeld Sonne DeepSpace Nebel; do
  cache_files+=("$syswow64/SarvaneShuttle_$picture.jpg")
done
screen_size=$(xdpyinfo | awk '$1 == "dimensions:" { print $2 }')
# wait_until SECONDS COMMAND...: whether COMMAND succeeds within SECONDS.
wait_until() {
  local tries=$(($1 * 10))
  shift
  until "$@"; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}
# Under qemu-user every Wine start and the cache build take many times as long.
slow=1
[ "$RUN32" != emulated ] || slow=4
# The Thornax: the one craft whose window never leaves the screen entirely,
# so it keeps the keyboard under Wine (see tests/e2e/RunTest.cpp).
craft_window() { xdotool search --onlyvisible --name '^ScreenSaverForegroundThornax$' 2>/dev/null | head -n 1; }
flying() { # the craft is on view and has left both coordinates its layout gives it
  local window position
  window=$(craft_window)
  [ -n "$window" ] || return 1
  position=$(xdotool getwindowgeometry "$window" | awk '$1 == "Position:" { print $2 }')
  [[ $position =~ ^(-?[0-9]+),(-?[0-9]+)$ ]] && [ "${BASH_REMATCH[1]}" != 219 ] && [ "${BASH_REMATCH[2]}" != 133 ]
}
running() { kill -0 "$saver" 2>/dev/null; }
ended() { ! running; }
# ends_with_zero SECONDS: the installed program ends within SECONDS, with 0.
ends_with_zero() {
  wait_until "$1" ended || { echo "     still running"; return 1; }
  local rc=0
  wait "$saver" || rc=$?
  equals "exit code $rc" "exit code 0"
}
start_installed() {
  (cd "$syswow64" && exec "$WINE32" "$installed" "$@" 2>>"$emulator_log") &
  saver=$!
}
stop_installed() { kill "$saver" 2>/dev/null || true; wait "$saver" 2>/dev/null || true; }
ends_on_a_key() {
  rm -f "${cache_files[@]}"
  printf '[Settings]\r\nVesselIndex=3\r\n' >"$drive_c/windows/SarvaneShuttle.ini"
  start_installed /s
  local ok=0
  { wait_until $((120 * slow)) flying || { echo "     the craft never flew"; false; }; } &&
    { running || { echo "     the run ended before the key"; false; }; } &&
    { xdotool windowfocus --sync "$(craft_window)" key Escape || { echo "     no key reached the craft"; false; }; } &&
    ends_with_zero $((20 * slow)) || ok=1
  stop_installed
  return $ok
}
check32 "/s from the system folder ends on a key with exit code 0" once_more_on_emulator_crash ends_on_a_key
screen_sized_cache() {
  local file
  for file in "${cache_files[@]}"; do
    equals "$(identify -format '%m %wx%h' "$file" 2>&1)" "JPEG $screen_size" || return 1
  done
}
check32 "... and leaves the five screen-sized pictures in the system folder" screen_sized_cache
rm -f "${cache_files[@]}" "$drive_c/windows/SarvaneShuttle.ini"

if [ "$RUN32" = emulated ]; then
  # The preview and the settings dialog by the 64-bit end-to-end driver,
  # which watches the emulated program from outside as the host would, at
  # native speed: the preview ends when its host hides or goes, and the
  # dialog, its focus walked round with Tab, closes on Abbruch with 0.
  e2e=$root/build/win64/tests/e2e_tests.exe
  smoke_cases='Preview.DrawsIntoVisibleHostUntilItIsHiddenOrDestroyed:ConfigureMode.TabOrderAndNoDefaultOrCancelKey'
  installed_smoke() {
    "$WINE" "$e2e" "$installed" --gtest_filter="$smoke_cases" >"$work/e2e-installed.log" 2>>"$emulator_log" ||
      { tail -n 30 "$work/e2e-installed.log"; return 1; }
  }
  check "/p of the installed .scr ends when its host hides, /c closes on Abbruch" \
    once_more_on_emulator_crash installed_smoke
else
  # The settings dialog and the preview, by the 32-bit end-to-end tests: all of
  # their cases but the ones that run the screensaver, whose cache would land
  # in the test's working directory.
  e2e=$root/build/win32/tests/e2e_tests.exe
  installed_dialog_and_preview() {
    cmake --build "$root/build/win32" --target e2e_tests >/dev/null &&
      "$WINE32" "$e2e" "$installed" --gtest_filter='ModeDispatch.*:Preview.*-ModeDispatch.RunMode*' \
        >"$work/e2e-installed.log" 2>&1 || { tail -n 30 "$work/e2e-installed.log"; return 1; }
  }
  check32 "/c and /p of the installed .scr pass the dialog and preview end-to-end tests" installed_dialog_and_preview
fi

check "installing the same package again succeeds" equals "$(exit_code /i "$(windows_path "$msi")" /qn)" 0
check "... and leaves one entry" equals "$(entries)" "$release_entry"

first_code=$(product_code)
check "the signed package of the same version installs" \
  equals "$(exit_code /i "$(windows_path "$signed_msi")" /qn)" 0
check "... in place of the unsigned one, not beside it" \
  equals "$(entries | wc -l) $(entries | awk -v first="$first_code" '$2 != first { print "new" }')" "1 new"
check "... with its signed .scr" same_file "$syswow64/SarvaneShuttle.scr" "$signed_scr"
signed_runs() {
  local rc=0
  (cd "$syswow64" && "$WINE32" 'C:\windows\syswow64\SarvaneShuttle.scr' /a 2>>"$emulator_log") || rc=$?
  equals "exit code $rc" "exit code 0"
}
check32 "... which runs (/a: start-up, then the end)" once_more_on_emulator_crash signed_runs

# Wine's msiexec has no /f: ask for the repair with the properties /f stands for.
rm -f "$syswow64/SarvaneShuttle.scr"
check "repair succeeds" \
  equals "$(exit_code /i "$(windows_path "$signed_msi")" REINSTALL=ALL REINSTALLMODE=omus /qn)" 0
check "... and puts back a deleted .scr" same_file "$syswow64/SarvaneShuttle.scr" "$signed_scr"

# What the program writes for its user: the settings file in the Windows
# folder and a cached picture beside the .scr (no virtualization under Wine).
printf '[Settings]\r\nPassCount=3\r\n' >"$drive_c/windows/SarvaneShuttle.ini"
printf 'cached picture' >"$syswow64/SarvaneShuttle_Nebel.jpg"
cp "$drive_c/windows/SarvaneShuttle.ini" "$syswow64/SarvaneShuttle_Nebel.jpg" "$work/"

unzip -q -o "${newer%.msi}.zip" -d "$work/newer"
newer_scr="$work/newer/SarvaneShuttle-1.0.1.0/SarvaneShuttle.scr"
check "the newer release carries its own build" \
  differs "$(sha256sum <"$newer_scr")" "$(sha256sum <"$shipped")"
check "a newer release installs" equals "$(exit_code /i "$(windows_path "$newer")" /qn)" 0
newer_entry="32-bit $(product_code) SarvaneShuttle 1.0.1000"
check "... replacing the entry" equals "$(entries | wc -l) $(entries | awk '{ print $4 }')" "1 1.0.1000"
check "... and the .scr" same_file "$syswow64/SarvaneShuttle.scr" "$newer_scr"

check "an older release is refused (ERROR_INSTALL_FAILURE)" \
  equals "$(exit_code /i "$(windows_path "$older")" /qn)" $((1603 % 256))
check "... leaving the newer entry" equals "$(entries)" "$newer_entry"
check "... and the newer .scr" same_file "$syswow64/SarvaneShuttle.scr" "$newer_scr"

check "uninstall succeeds" equals "$(exit_code /x "$(windows_path "$newer")" /qn)" 0
check "... removes the entry" equals "$(entries)" ""
check "... removes the .scr" absent "$syswow64/SarvaneShuttle.scr"
check "... removes the notices and their folder" absent "$notices_dir"
user_files() {
  same_file "$drive_c/windows/SarvaneShuttle.ini" "$work/SarvaneShuttle.ini" &&
    same_file "$syswow64/SarvaneShuttle_Nebel.jpg" "$work/SarvaneShuttle_Nebel.jpg"
}
check "... and leaves the user's settings and cached pictures" user_files

[ "$emulator_retries" -eq 0 ] || echo "package: the emulator's own crash was retried $emulator_retries time(s)"
echo "package: $checks checks, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
