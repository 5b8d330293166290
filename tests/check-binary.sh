#!/usr/bin/env bash
# Usage: check-binary.sh OBJDUMP FILE FORMAT   (FORMAT as objdump names it: pei-i386, pei-x86-64)
# Fails unless FILE is a Windows GUI program of FORMAT, large-address-aware
# (so that 64-bit Windows gives the 32-bit build 4 GB), whose imports are all
# Windows system DLLs that Windows 7 has, and none of the per-monitor dpi
# functions that came with Windows 8.1 and 10: an import Windows 7 cannot
# resolve keeps the program from starting there at all, so those are looked up
# at run time.
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
shcore=$(grep -E '^(shcore\.dll|api-ms-win-shcore-[a-z0-9-]+\.dll)$' <<<"$imports" || true)
if [ -n "$shcore" ]; then echo "$file imports $shcore, which Windows 7 lacks"; exit 1; fi
bad=$(grep -Ev "$allowed" <<<"$imports" || true)
if [ -n "$bad" ]; then echo "non-system DLLs imported by $file:"; echo "$bad"; exit 1; fi
# Each DLL's block lists "address hint name" lines and ends with an empty line.
functions=$(awk '/^[[:space:]]*DLL Name:/ { dll = 1; next }
                 dll && NF == 0 { dll = 0 }
                 dll && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print $3 }' <<<"$headers")
[ -n "$functions" ] || { echo "no imported functions found in $file"; exit 1; }
late=$(grep -E 'DpiFor|ForDpi$|DpiAwareness|PerMonitorDPI|DpiScaling|DpiHosting' <<<"$functions" || true)
if [ -n "$late" ]; then echo "functions Windows 7 lacks imported by $file:"; echo "$late"; exit 1; fi
echo "$file: $format GUI program importing only: $(tr '\n' ' ' <<<"$imports")"
