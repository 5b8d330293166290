#!/usr/bin/env bash
# Usage: check-package.sh WORKDIR
# Builds the release packages (scripts/package.sh), a newer and an older release
# and a rebuild of this one, checks their contents natively, then installs,
# repairs, upgrades, downgrades and removes them with Wine's msiexec.
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

checks=0 failed=0
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
"$root/scripts/package.sh" >/dev/null
"$root/scripts/package.sh" --out "$work/rebuilt" >/dev/null
"$root/scripts/package.sh" --version 1.0.1.0 --out "$work/newer" >/dev/null
"$root/scripts/package.sh" --version 1.0.0.1 --out "$work/older" >/dev/null
name="SarvaneShuttle-$project_version"
msi="$dist/$name.msi"
zip="$dist/$name.zip"
newer="$work/newer/SarvaneShuttle-1.0.1.0.msi"
older="$work/older/SarvaneShuttle-1.0.0.1.msi"

check "build/dist holds the two packages and their checksums" \
  equals "$(cd "$dist" && ls | tr '\n' ' ')" "SHA256SUMS $name.msi $name.zip "
check "SHA256SUMS lists exactly both packages" \
  equals "$(awk '{print $2}' "$dist/SHA256SUMS" | tr '\n' ' ')" "$name.msi $name.zip "
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
  "$name/LIESMICH.txt $name/README.txt $name/SarvaneShuttle.scr $name/notices/GD.txt $name/notices/MinGW-w64.txt $name/notices/libjpeg-turbo-IJG.txt $name/notices/libjpeg-turbo.txt "
check "the archive's .scr is the shipped 32-bit build" same_file "$content/SarvaneShuttle.scr" "$shipped"
notice_texts() {
  has_text "$content/notices/GD.txt" "Credits and license terms" &&
    has_text "$content/notices/libjpeg-turbo.txt" "libjpeg-turbo Licenses" &&
    has_text "$content/notices/libjpeg-turbo-IJG.txt" "LEGAL ISSUES" &&
    has_text "$content/notices/MinGW-w64.txt" "mingw-w64-libraries/winpthreads" &&
    has_text "$content/notices/MinGW-w64.txt" "Permission is hereby granted, free of charge"
}
check "each notice is its library's licence text" notice_texts
install_texts() {
  local t
  for t in LIESMICH.txt README.txt; do
    has_text "$content/$t" "msiexec /i $name.msi /qn" && ! grep -q @VERSION@ "$content/$t" || return 1
  done
  has_text "$content/LIESMICH.txt" "Bildschirmschoner-Einstellungen" &&
    has_text "$content/README.txt" "based in part on the work of the Independent JPEG Group"
}
check "the install texts name this version's package, in German and English" install_texts
windows_texts() {
  local t
  for t in "$content"/*.txt "$content"/notices/*.txt; do crlf_only "$t" || return 1; done
  # German text: a byte order mark, so Notepad reads it as UTF-8 everywhere.
  equals "$(head -c 3 "$content/LIESMICH.txt" | od -An -tx1 | tr -d ' ')" efbbbf
}
check "texts have Windows line ends, the German one a byte order mark" windows_texts

echo "== installer tables"
table() { msiinfo export "$1" "$2" | tr -d '\r' | tail -n +4; }
property() { table "$1" Property | awk -F'\t' -v p="$2" '$1 == p { print $2 }'; }
check "product version follows the version mapping" \
  equals "$(property "$msi" ProductVersion)" "$(installer_version "$project_version")"
check "versions of the newer and the older test release" \
  equals "$(property "$newer" ProductVersion) $(property "$older" ProductVersion)" "1.0.1000 1.0.1"
check "all packages carry the fixed upgrade code" \
  equals "$(property "$msi" UpgradeCode) $(property "$newer" UpgradeCode) $(property "$work/rebuilt/$name.msi" UpgradeCode)" \
  "$upgrade_code $upgrade_code $upgrade_code"
differs() { [ "$1" != "$2" ] || { echo "     both are '$1'"; return 1; }; }
check "a rebuild is a product of its own" \
  differs "$(property "$msi" ProductCode)" "$(property "$work/rebuilt/$name.msi" ProductCode)"
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
# The Thornax: the one craft whose window never leaves the screen entirely,
# so it keeps the keyboard under Wine (see tests/e2e/RunTest.cpp).
printf '[Settings]\r\nVesselIndex=3\r\n' >"$drive_c/windows/SarvaneShuttle.ini"
(cd "$syswow64" && exec "$WINE32" "$installed" /s) &
saver=$!
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
ended_on_a_key() {
  wait_until 120 flying || { echo "     the craft never flew"; return 1; }
  running || { echo "     the run ended before the key"; return 1; }
  xdotool windowfocus --sync "$(craft_window)" key Escape || { echo "     no key reached the craft"; return 1; }
  wait_until 20 ended || { echo "     still running after the key"; return 1; }
  local rc=0
  wait "$saver" || rc=$?
  equals "exit code $rc" "exit code 0"
}
check "/s from the system folder ends on a key with exit code 0" ended_on_a_key
kill "$saver" 2>/dev/null || true
screen_sized_cache() {
  local file
  for file in "${cache_files[@]}"; do
    equals "$(identify -format '%m %wx%h' "$file" 2>&1)" "JPEG $screen_size" || return 1
  done
}
check "... and leaves the five screen-sized pictures in the system folder" screen_sized_cache
rm -f "${cache_files[@]}" "$drive_c/windows/SarvaneShuttle.ini"

# The settings dialog and the preview, by the 32-bit end-to-end tests: all of
# their cases but the ones that run the screensaver, whose cache would land
# in the test's working directory.
e2e=$root/build/win32/tests/e2e_tests.exe
cmake --build "$root/build/win32" --target e2e_tests >/dev/null
installed_dialog_and_preview() {
  "$WINE32" "$e2e" "$installed" --gtest_filter='ModeDispatch.*:Preview.*-ModeDispatch.RunMode*' \
    >"$work/e2e-installed.log" 2>&1 || { tail -n 30 "$work/e2e-installed.log"; return 1; }
}
check "/c and /p of the installed .scr pass the dialog and preview end-to-end tests" installed_dialog_and_preview

check "installing the same package again succeeds" equals "$(exit_code /i "$(windows_path "$msi")" /qn)" 0
check "... and leaves one entry" equals "$(entries)" "$release_entry"

first_code=$(product_code)
check "a rebuild of the same version installs" \
  equals "$(exit_code /i "$(windows_path "$work/rebuilt/$name.msi")" /qn)" 0
check "... in place of the first build, not beside it" \
  equals "$(entries | wc -l) $(entries | awk -v first="$first_code" '$2 != first { print "new" }')" "1 new"

# Wine's msiexec has no /f: ask for the repair with the properties /f stands for.
rm -f "$syswow64/SarvaneShuttle.scr"
check "repair succeeds" \
  equals "$(exit_code /i "$(windows_path "$work/rebuilt/$name.msi")" REINSTALL=ALL REINSTALLMODE=omus /qn)" 0
check "... and puts back a deleted .scr" same_file "$syswow64/SarvaneShuttle.scr" "$shipped"

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

echo "package: $checks checks, $failed failed"
[ "$failed" -eq 0 ]
