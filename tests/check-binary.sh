#!/usr/bin/env bash
# Usage: check-binary.sh SCR...   (the SarvaneShuttle.scr of one build or of both)
# Fails unless each SCR is a Windows GUI program whose imports are all Windows
# system DLLs that Windows 7 has (none of the per-monitor dpi functions of
# Windows 8.1 and 10 either), that is not terminal-server aware and that meets each of the
# mitigations Microsoft's binary analyser (BinSkim) asks of a program and a
# GCC build can give. Prints them as a table, one column per build: "yes",
# "MISS", "n/a" where the rule does not apply to the build, "-" where the
# build was not given. The evidence is read from each SCR itself and, for
# what stripping took out of it, from the link map beside it
# (SarvaneShuttle.map, with cross references, as CMakeLists.txt links it).
# The rules GCC cannot meet (Control Flow Guard, SafeSEH) are not in the table.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 SCR..." >&2; exit 2; }
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}

rules=(aslr high_entropy above_4gb dep large_address no_wx no_shared_write stack_protector fortify)
declare -A label=(
  [aslr]="BA2009 ASLR: DYNAMIC_BASE, relocations kept"
  [high_entropy]="BA2015 high-entropy ASLR: HIGH_ENTROPY_VA"
  [above_4gb]="BA2001 64-bit image based above 4 GB"
  [dep]="BA2016 DEP: NX_COMPAT"
  [large_address]="large address aware"
  [no_wx]="BA2021 no section both writable and executable"
  [no_shared_write]="BA2019 no section both writable and shared"
  [stack_protector]="BA2011 stack protector, in the program, GD and libjpeg"
  [fortify]="BA3030 checked string functions (_FORTIFY_SOURCE)"
)
declare -A result=() why=()
failed=0
fail() { echo "$1"; failed=1; }

# Little-endian fields of the file, as the PE format stores them.
u16() { od -An --endian=little -tu2 -j "$2" -N2 "$1" | tr -d ' '; }
u32() { od -An --endian=little -tu4 -j "$2" -N4 "$1" | tr -d ' '; }

# sections FILE: "name characteristics" of each section, from the section
# table (objdump -h shows BFD's reading of the flags, not the flags).
sections() {
  local pe count table i at
  pe=$(u32 "$1" 60)
  count=$(u16 "$1" $((pe + 6)))
  table=$((pe + 24 + $(u16 "$1" $((pe + 20)))))
  for ((i = 0; i < count; i++)); do
    at=$((table + 40 * i))
    echo "$(dd if="$1" bs=1 skip="$at" count=8 status=none | tr -d '\0') $(u32 "$1" $((at + 36)))"
  done
}

# crossref MAP SYMBOL: the files that refer to SYMBOL, from the map's cross
# reference table (the first line under a symbol is the file defining it).
# ld names the 32-bit symbols there without their leading underscore; an
# underscore more is taken too.
crossref() {
  awk -v sym="$2" '
    /^Cross Reference Table/ { table = 1; next }
    !table { next }
    /^[^ ]/ { here = $1 == sym || $1 == "_" sym; if (here) print "defined " $2; next }
    here && NF == 1 { print $1 }' "$1"
}

# judge COLUMN RULE CONDITION REASON: records the rule's result for the build.
judge() {
  if [ "$3" = 1 ]; then
    result[$1.$2]=yes
  else
    result[$1.$2]=MISS
    why[$1.$2]=$4
  fi
}

check_one() {
  local file=$1 column headers format characteristics dll image_base relocs flags name map refs
  [ -f "$file" ] || { fail "$file is missing"; return; }
  headers=$("$objdump" -p "$file")
  format=$(sed -n 's/.*file format \(pei-[a-z0-9-]*\).*/\1/p' <<<"$headers" | head -n 1)
  case $format in
    pei-i386) column=32 ;;
    pei-x86-64) column=64 ;;
    *) fail "$file is no 32- or 64-bit Windows program (${format:-unknown format})"; return ;;
  esac
  [ -z "${given[$column]:-}" ] || { fail "two $column-bit programs given: ${given[$column]} and $file"; return; }
  given[$column]=$file

  grep -Eq 'Subsystem[[:space:]]+0*2[[:space:]]' <<<"$headers" || fail "$file is not a GUI program"
  local allowed='^(kernel32|user32|gdi32|comctl32|msvcrt|advapi32|shell32|ole32|version|winmm|api-ms-win-[a-z0-9-]+)\.dll$'
  local imports bad
  imports=$(grep -E '^[[:space:]]*DLL Name:' <<<"$headers" | awk '{print tolower($3)}')
  [ -n "$imports" ] || fail "no imports found in $file"
  bad=$(grep -Ev "$allowed" <<<"$imports" || true)
  [ -z "$bad" ] || fail "non-system DLLs imported by $file: $(tr '\n' ' ' <<<"$bad")"
  # An import Windows 7 cannot resolve keeps the program from starting there
  # at all: shcore and the per-monitor dpi functions of Windows 8.1 and 10 are
  # looked up at run time. Each DLL's block lists "address hint name" lines
  # and ends with an empty line.
  local shcore functions late
  shcore=$(grep -E '^(shcore\.dll|api-ms-win-shcore-[a-z0-9-]+\.dll)$' <<<"$imports" || true)
  [ -z "$shcore" ] || fail "$file imports $shcore, which Windows 7 lacks"
  functions=$(awk '/^[[:space:]]*DLL Name:/ { dll = 1; next }
                   dll && NF == 0 { dll = 0 }
                   dll && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print $3 }' <<<"$headers")
  [ -n "$functions" ] || fail "no imported functions found in $file"
  late=$(grep -E 'DpiFor|ForDpi$|DpiAwareness|PerMonitorDPI|DpiScaling|DpiHosting' <<<"$functions" || true)
  [ -z "$late" ] || fail "functions Windows 7 lacks imported by $file: $(tr '\n' ' ' <<<"$late")"

  characteristics=$(awk '/^Characteristics/ { print $2 }' <<<"$headers")
  dll=$((16#$(awk '/^DllCharacteristics/ { print $2; exit }' <<<"$headers")))
  image_base=$((16#$(awk '/^ImageBase/ { print $2 }' <<<"$headers")))
  relocs=$((16#$(awk '$1 == "Entry" && $2 == 5 { print $4 }' <<<"$headers")))
  # Without the flag a Remote Desktop server gives each user a Windows
  # directory, and so a settings file, of their own (see CMakeLists.txt).
  if ((dll & 0x8000)); then fail "$file is terminal-server aware: its users would share one settings file"; fi

  judge $column aslr $(((dll & 0x40) && !(characteristics & 0x1) && relocs > 0)) \
    "DllCharacteristics $(printf %x $dll), Characteristics $characteristics, base relocations $relocs bytes"
  judge $column dep $(((dll & 0x100) != 0)) "DllCharacteristics $(printf %x $dll)"
  # 64-bit Windows gives a large-address-aware 32-bit program 4 GB instead
  # of 2; high-entropy ASLR needs it of a 64-bit one.
  judge $column large_address $(((characteristics & 0x20) != 0)) "Characteristics $characteristics"
  if [ $column = 64 ]; then
    judge $column high_entropy $(((dll & 0x20) != 0)) "DllCharacteristics $(printf %x $dll)"
    judge $column above_4gb $((image_base >= 0x100000000)) "ImageBase $(printf %x $image_base)"
  else
    result[$column.high_entropy]=n/a result[$column.above_4gb]=n/a
  fi

  local writable_code=() shared_writable=()
  while read -r name flags; do
    ((flags & 0x80000000)) || continue
    if ((flags & 0x20000000)); then writable_code+=("$name"); fi
    if ((flags & 0x10000000)); then shared_writable+=("$name"); fi
  done < <(sections "$file")
  judge $column no_wx $((${#writable_code[@]} == 0)) "writable and executable: ${writable_code[*]:-}"
  judge $column no_shared_write $((${#shared_writable[@]} == 0)) "writable and shared: ${shared_writable[*]:-}"

  # libssp's own message in the .scr shows it was linked; the map shows who
  # calls its failure handler: the program's objects, GD's and libjpeg's.
  map=$(dirname "$file")/SarvaneShuttle.map
  if [ ! -f "$map" ]; then
    result[$column.stack_protector]=MISS result[$column.fortify]=MISS
    why[$column.stack_protector]="no link map $map"
    why[$column.fortify]="no link map $map"
    return
  fi
  local message=0 program=0 gd=0 jpeg=0
  grep -aqF '*** stack smashing detected ***' "$file" && message=1
  refs=$(crossref "$map" __stack_chk_fail)
  grep -Eq '(libsarvane_core\.a\(|SarvaneShuttle\.dir/).*\.obj' <<<"$refs" && program=1
  grep -q 'libgd\.a(' <<<"$refs" && gd=1
  grep -q 'libjpeg\.a(' <<<"$refs" && jpeg=1
  judge $column stack_protector $((message && program && gd && jpeg)) \
    "libssp's message in the .scr: $message; callers of __stack_chk_fail in the program: $program, GD: $gd, libjpeg: $jpeg"
  local checked callers=0 symbol
  checked=$(awk '/^Cross Reference Table/ { table = 1; next } table && /^[^ ]/ && $2 ~ /libssp\.a\(/ { print $1 }' "$map")
  while read -r symbol; do
    refs=$(crossref "$map" "$symbol")
    if grep -vq '^defined ' <<<"$refs"; then callers=1; fi
  done < <(grep -E '^_?__[a-z]+_chk$' <<<"$checked" || true)
  judge $column fortify $callers "no call of a checked function (__memcpy_chk, __strcpy_chk, ...) in the map"
}

declare -A given=()
for f in "$@"; do check_one "$f"; done

printf '%-58s %-7s %s\n' rule 32-bit 64-bit
for rule in "${rules[@]}"; do
  printf '%-58s %-7s %s\n' "${label[$rule]}" "${result[32.$rule]:--}" "${result[64.$rule]:--}"
done
for rule in "${rules[@]}"; do
  for column in 32 64; do
    [ -z "${why[$column.$rule]:-}" ] || fail "MISS ${label[$rule]} ($column-bit): ${why[$column.$rule]}"
  done
done
[ "$failed" -eq 0 ] || exit 1
echo "checked: ${given[32]:-} ${given[64]:-}"
