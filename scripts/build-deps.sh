#!/usr/bin/env bash
# Cross-builds the two third-party libraries the screensaver links statically:
# libjpeg-turbo (libjpeg 6b API, SIMD via nasm) and GD (JPEG only), for both
# MinGW-w64 targets, from Debian's source packages.
#
# Layout (root defaults to ~/.cache/sarvaneshuttle-deps, override with
# SARVANE_DEPS_ROOT):
#   <root>/src/                                  downloaded .dsc/.orig/.debian files
#   <root>/gd-<gdver>_jpeg-<jpegver>_recipe-<n>/<triplet>/  include/ + lib/ (libgd.a, libjpeg.a)
#   <root>/<triplet> -> gd-<gdver>_jpeg-<jpegver>_recipe-<n>/<triplet>   what CMakeLists.txt looks at
# The versions are the Debian source versions (epoch dropped), so a Debian
# security update to either package gets its own build.
#
# Quiet and quick when everything is already built.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
root=${SARVANE_DEPS_ROOT:-${XDG_CACHE_HOME:-$HOME/.cache}/sarvaneshuttle-deps}
triplets=(i686-w64-mingw32 x86_64-w64-mingw32)

# Bump when the build flags below change, so cached builds made with the old
# flags are redone even though the source versions did not move.
# 2: reproducible: a fixed libjpeg-turbo build string, no build paths.
# 3: stack protector and fortified string calls.
recipe=3

say() { echo "build-deps: $*"; }
die() { echo "build-deps: error: $*" >&2; exit 1; }

# Newest source version apt knows for a package; that is also what
# `apt-get source` would pick, but we pin it explicitly below anyway.
newest_src_version() {
  local best='' v
  while read -r v; do
    if [ -z "$best" ] || dpkg --compare-versions "$v" gt "$best"; then best=$v; fi
  done < <(apt-cache showsrc --only-source "$1" 2>/dev/null | sed -n 's/^Version: //p')
  printf '%s' "$best"
}

stamp_ok() { [ "$(cat "$1/.complete" 2>/dev/null)" = "$2" ]; }

link_ok() { # <triplet> <keyed dir name>
  [ -L "$root/$1" ] && [ "$(readlink "$root/$1")" = "$2/$1" ]
}

gd_full=$(newest_src_version libgd2)
jpeg_full=$(newest_src_version libjpeg-turbo)

if [ -z "$gd_full" ] || [ -z "$jpeg_full" ]; then
  # Without source lists we cannot tell which version is current; an existing
  # complete install is still usable, so only complain when there is none.
  all_there=1
  for t in "${triplets[@]}"; do
    [ -L "$root/$t" ] && [ -f "$root/$t/.complete" ] || all_there=0
  done
  [ $all_there -eq 1 ] && exit 0
  die "apt knows no source for libgd2/libjpeg-turbo; add a deb-src entry and run apt-get update"
fi

gd_ver=${gd_full#*:}
jpeg_ver=${jpeg_full#*:}
# The recipe is part of the key: checkouts of other recipes on one machine
# then each keep a build of their own instead of rebuilding over each other's.
key="gd-${gd_ver}_jpeg-${jpeg_ver}_recipe-${recipe}"
keyed="$root/$key"
stamp="recipe=$recipe gd=$gd_full jpeg=$jpeg_full"

need=()
for t in "${triplets[@]}"; do
  if stamp_ok "$keyed/$t" "$stamp" && { [ -L "$root/$t" ] || [ ! -e "$root/$t" ]; }; then
    link_ok "$t" "$key" || ln -sfn "$key/$t" "$root/$t"
  else
    need+=("$t")
  fi
done
[ ${#need[@]} -eq 0 ] && exit 0

# From here on we build. Serialise concurrent runs (a developer shell and a
# CI job on the same machine) so they don't trample one keyed directory.
mkdir -p "$root/src" "$keyed"
exec 9>"$root/.lock"
flock 9

tmp=$(mktemp -d "${TMPDIR:-/tmp}/sarvane-deps.XXXXXX")
log="$tmp/build.log"
: >"$log"
# Judge success by having reached the end, not by $?: when a signal such as
# SIGPIPE ends the script, the EXIT trap sees a status of 0.
finished=0
on_exit() {
  local rc=$? tail_
  trap '' PIPE
  if [ $finished -ne 1 ]; then
    [ $rc -ne 0 ] || rc=1
    # Keep the log and drop the temp dir before printing anything: if our
    # output goes to a pipe that is already closed, the printing may kill us.
    tail_=$(tail -n 40 "$log" 2>/dev/null || true)
    cp "$log" "$root/last-failed-build.log" 2>/dev/null || true
    rm -rf "$keyed"/.*.partial "$tmp"
    {
      echo "build-deps: FAILED (exit $rc); last lines of the build log:"
      echo "$tail_"
      echo "build-deps: full log kept in $root/last-failed-build.log"
    } >&2 2>/dev/null || true
    exit $rc
  else
    rm -rf "$tmp"
  fi
}
trap on_exit EXIT
trap 'exit 130' INT TERM HUP

run() { echo "+ $*" >>"$log"; "$@" >>"$log" 2>&1; }

# Download into the temp dir first so an interrupted fetch never leaves a
# truncated file in the cache, then keep the files for the next build.
fetch() { # <source package> <full version>
  local pkg=$1 ver=$2
  [ -f "$root/src/${pkg}_${ver#*:}.dsc" ] && return 0
  say "downloading source $pkg $ver"
  rm -rf "$tmp/dl" && mkdir -p "$tmp/dl"
  (cd "$tmp/dl" && run apt-get source --download-only -qq "$pkg=$ver")
  # The .dsc goes last: its presence is what marks the download complete.
  find "$tmp/dl" -maxdepth 1 -type f ! -name '*.dsc' -exec mv -t "$root/src/" {} +
  mv "$tmp/dl"/*.dsc "$root/src/"
}

fetch libgd2 "$gd_full"
fetch libjpeg-turbo "$jpeg_full"
gd_dsc="$root/src/libgd2_${gd_ver}.dsc"
jpeg_dsc="$root/src/libjpeg-turbo_${jpeg_ver}.dsc"
# dpkg-source checks the .dsc checksums and applies Debian's patch series.
run dpkg-source -x "$jpeg_dsc" "$tmp/jpeg-src"
run dpkg-source -x "$gd_dsc" "$tmp/gd-src"
# The temporary tree's name is random: "." in its place, wherever a path is kept.
prefix_map="-ffile-prefix-map=$tmp=."
# The same protections as the program's own code (CMakeLists.txt): a stack
# overflow or an oversized copy in a decoder that reads a stranger's JPEG ends
# the process instead of running on. Fortifying takes the Release build's
# optimisation; the stack protector pulls GCC's libssp into every program that
# links these archives.
harden="-fstack-protector-strong -D_FORTIFY_SOURCE=2"
jpeg_build=$(TZ=UTC date -d "$(dpkg-parsechangelog -l "$tmp/jpeg-src/debian/changelog" -S Date)" +%Y%m%d)

cat >"$tmp/check.c" <<'EOF'
/* Round trip through the static GD + libjpeg: encode a truecolour image to
   JPEG in memory, decode it again and check the size survived. */
#include <stdio.h>
#include <gd.h>
#include <jpeglib.h>

int main(void)
{
    struct jpeg_error_mgr err;
    gdImagePtr src, half, back;
    void *jpg;
    int size = 0, ok;

    jpeg_std_error(&err);
    src = gdImageCreateTrueColor(64, 48);
    half = gdImageCreateTrueColor(32, 24);
    if (!src || !half) return 2;
    gdImageFilledRectangle(src, 0, 0, 63, 47, gdTrueColor(200, 40, 90));
    gdImageCopyResampled(half, src, 0, 0, 0, 0, 32, 24, 64, 48);
    jpg = gdImageJpegPtr(src, &size, 85);
    if (!jpg || size <= 0) return 3;
    back = gdImageCreateFromJpegPtr(size, jpg);
    if (!back) return 4;
    ok = gdImageSX(back) == 64 && gdImageSY(back) == 48;
    printf("jpeg %d bytes, decoded %dx%d\n", size, gdImageSX(back), gdImageSY(back));
    gdFree(jpg);
    gdImageDestroy(back);
    gdImageDestroy(half);
    gdImageDestroy(src);
    /* Only referenced so the link check covers the FILE* entry points too. */
    if (!ok) { gdImageJpeg(src, stdout, 1); gdImageCreateFromJpeg(stdin); }
    return ok ? 0 : 1;
}
EOF

# Everything a Windows binary of ours may import; anything else (libgd, zlib1,
# libjpeg, libwinpthread, libgcc_s...) would have to ship beside the .scr.
system_dlls='^(kernel32|msvcrt|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|ws2_32|ntdll|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$'

build_one() { # <triplet>
  local t=$1
  local out="$keyed/$t" stage="$keyed/.$t.partial"
  local tc="$here/cmake/toolchain-$t.cmake" b="$tmp/build-$t"
  [ -f "$tc" ] || die "missing toolchain file $tc"
  rm -rf "$stage" && mkdir -p "$stage/include" "$stage/lib"

  say "building libjpeg-turbo $jpeg_ver for $t"
  # Only the static library target: the command-line tools and tests are of
  # no use to us and would double the build time. The install prefix is never
  # used, but its Windows default (c:/...) is not an absolute path to CMake on
  # Linux and breaks configuring. The library quotes its build string in
  # messages and would take the day of the build for it: the date of the
  # Debian release we build keeps the bytes the same whenever it is rebuilt.
  run cmake -S "$tmp/jpeg-src" -B "$b/jpeg" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$tc" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$stage" -DBUILD="$jpeg_build" -DCMAKE_C_FLAGS="$harden $prefix_map" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_JPEG7=OFF -DWITH_JPEG8=OFF -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF \
    -DWITH_SIMD=ON -DREQUIRE_SIMD=ON
  run cmake --build "$b/jpeg" --target jpeg-static
  cp "$b/jpeg/libjpeg.a" "$stage/lib/"
  cp "$b/jpeg/jconfig.h" "$tmp/jpeg-src/jpeglib.h" "$tmp/jpeg-src/jmorecfg.h" \
     "$tmp/jpeg-src/jerror.h" "$stage/include/"

  say "building GD $gd_ver for $t"
  # GD's CMake defines BGDWIN32 on Windows but adds NONDLL only for MSVC
  # static builds; without it every public function is dllexport'ed from the
  # archive, which would give our .scr an export table. NONDLL keeps them
  # plain, matching what our code sees when it includes gd.h with the same
  # two macros. Leaving PNG and the GD/GD2 formats off also keeps zlib out.
  run cmake -S "$tmp/gd-src" -B "$b/gd" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$tc" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$stage" -DCMAKE_C_FLAGS="-DNONDLL $harden $prefix_map" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_TEST=OFF \
    -DENABLE_JPEG=ON -DENABLE_CPP=OFF -DENABLE_GD_FORMATS=OFF \
    -DENABLE_PNG=OFF -DENABLE_FREETYPE=OFF -DENABLE_FONTCONFIG=OFF \
    -DENABLE_TIFF=OFF -DENABLE_WEBP=OFF -DENABLE_XPM=OFF -DENABLE_HEIF=OFF \
    -DENABLE_AVIF=OFF -DENABLE_LIQ=OFF -DENABLE_ICONV=OFF -DENABLE_RAQM=OFF \
    -DJPEG_INCLUDE_DIR="$stage/include" -DJPEG_LIBRARY="$stage/lib/libjpeg.a"
  run cmake --build "$b/gd" --target gd_static
  cp "$b/gd/Bin/libgd.a" "$stage/lib/"
  local h
  for h in gd.h gd_color_map.h gd_errors.h gd_io.h gdcache.h gdfontg.h \
           gdfontl.h gdfontmb.h gdfonts.h gdfontt.h gdfx.h gdpp.h; do
    cp "$tmp/gd-src/src/$h" "$stage/include/"
  done

  # A compiler that ignored the flags would still build: the archives must
  # call the stack protector's failure handler.
  local lib symbols
  for lib in libgd.a libjpeg.a; do
    symbols=$("$t-nm" "$stage/lib/$lib")
    grep -Eq ' U _?__stack_chk_fail$' <<<"$symbols" ||
      die "$t $lib has no stack protector: its build dropped the flags"
  done

  # Cheap sanity check before declaring the install good: the archives link
  # into a fully static program that imports nothing but system DLLs.
  # shellcheck disable=SC2086 # $harden is a list of flags
  run "$t-gcc-posix" -O2 $harden -DNONDLL -DBGDWIN32 -static -I"$stage/include" \
    "$tmp/check.c" -o "$b/check.exe" -L"$stage/lib" -lgd -ljpeg
  local pe dlls bad
  pe=$("$t-objdump" -p "$b/check.exe")
  dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$pe")
  echo "imports: $(tr '\n' ' ' <<<"$dlls")" >>"$log"
  [ -n "$dlls" ] || die "$t check program: objdump shows no imports at all"
  bad=$(grep -viE "$system_dlls" <<<"$dlls" || true)
  [ -z "$bad" ] || die "$t check program imports non-system DLLs: $(tr '\n' ' ' <<<"$bad")"
  if grep -q '^The Export Tables' <<<"$pe"; then
    die "$t check program has an export table; GD was built without NONDLL"
  fi

  echo "$stamp" >"$stage/.complete"
  rm -rf "$out"
  mv "$stage" "$out"
  ln -sfn "$key/$t" "$root/$t"
}

for t in "${need[@]}"; do
  if [ -e "$root/$t" ] && [ ! -L "$root/$t" ]; then
    die "$root/$t exists and is not a symlink; move it out of the way"
  fi
  build_one "$t"
done
rm -f "$root/last-failed-build.log"
finished=1
say "done: $keyed"
