#!/usr/bin/env bash
# The program's units meet only in app/: backgrounds, vessels and dialogs
# include the form layer, the leaves below them (settings, exit input) and
# their own folder; the leaves and the form layer include nothing else of
# the program. Lists every include that runs against this.
# Usage: check-includes.sh [SOURCE_ROOT]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

declare -A allowed=(
  [forms]="forms"
  [settings]="settings"
  [exitinput]="exitinput"
  [backgrounds]="backgrounds forms settings exitinput"
  [vessels]="vessels forms settings exitinput"
  [dialogs]="dialogs forms settings exitinput"
)
# Every folder of the program's own headers is known here, so that a new one
# cannot slip past unclassified.
known="app ${!allowed[*]}"

status=0
for folder in "${!allowed[@]}"; do
  [ -d "$folder" ] || { echo "check-includes: no folder $folder" >&2; status=1; continue; }
  while IFS=: read -r file line target; do
    target=${target#*\"}
    target=${target%%/*}
    case " $known " in *" $target "*) ;; *) continue ;; esac  # <windows.h>, "gd.h", ...
    case " ${allowed[$folder]} " in
      *" $target "*) ;;
      *) echo "$file:$line: $folder/ must not include $target/"; status=1 ;;
    esac
  done < <(grep -rn -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]+/' "$folder" || true)
done
# A folder of headers that the table does not name would go unchecked.
for dir in */; do
  dir=${dir%/}
  case " $known bench build cmake docs packaging resources scripts tests tools " in
    *" $dir "*) ;;
    *) if compgen -G "$dir/*.h" >/dev/null; then echo "check-includes: folder $dir/ has no rule"; status=1; fi ;;
  esac
done
[ "$status" -ne 0 ] || echo "check-includes: every include runs one way"
exit $status
