#!/usr/bin/env bash
# Usage: check-binary.sh OBJDUMP FILE FORMAT   (FORMAT as objdump names it: pei-i386, pei-x86-64)
# Fails unless FILE is a Windows GUI program of FORMAT, large-address-aware
# (so that 64-bit Windows gives the 32-bit build 4 GB), whose imports are all
# Windows system DLLs.
set -euo pipefail
objdump=$1 file=$2 format=$3
headers=$("$objdump" -p "$file")
grep -q "file format $format" <<<"$headers" || { echo "$file is not $format"; exit 1; }
grep -Eq 'Subsystem[[:space:]]+0*2[[:space:]]' <<<"$headers" || { echo "$file is not a GUI program"; exit 1; }
characteristics=$(awk '/^Characteristics/ { print $2 }' <<<"$headers")
(( characteristics & 0x20 )) || { echo "$file is not large-address-aware ($characteristics)"; exit 1; }
allowed='^(kernel32|user32|gdi32|comctl32|msvcrt|advapi32|shell32|ole32|version|winmm|api-ms-win-[a-z0-9-]+)\.dll$'
imports=$(grep -E '^[[:space:]]*DLL Name:' <<<"$headers" | awk '{print tolower($3)}')
[ -n "$imports" ] || { echo "no imports found in $file"; exit 1; }
bad=$(grep -Ev "$allowed" <<<"$imports" || true)
if [ -n "$bad" ]; then echo "non-system DLLs imported by $file:"; echo "$bad"; exit 1; fi
echo "$file: $format GUI program importing only: $(tr '\n' ' ' <<<"$imports")"
