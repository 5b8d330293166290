# Sourced by run.sh and test.sh: a private X display and a private Wine prefix
# that the caller creates, owns and tears down.
# shellcheck shell=bash

WINE=/usr/lib/wine/wine64
# The 32-bit loader (wine32): it runs the shipped program in the same prefixes.
# shellcheck disable=SC2034 # for the scripts that source this file
WINE32=/usr/lib/wine/wine
WINESERVER=/usr/lib/wine/wineserver
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko install prompts while the prefix is created.
export WINEDLLOVERRIDES="mscoree=;mshtml="

# start_server N COMMAND...: starts an X server for display :N in the
# background, sets SERVER_PID and exports DISPLAY, and waits until it answers.
# Fails when the server dies first or does not answer within ten seconds.
start_server() {
  local n=$1 tries
  shift
  "$@" >/dev/null 2>&1 &
  SERVER_PID=$!
  export DISPLAY=":$n"
  for tries in $(seq 100); do
    xdpyinfo >/dev/null 2>&1 && return 0
    kill -0 "$SERVER_PID" 2>/dev/null || return 1
    sleep 0.1
  done
  kill "$SERVER_PID" 2>/dev/null || true
  return 1
}

# free_display FIRST LAST: prints the first display number in the range with no
# server on it.
free_display() {
  local n
  for n in $(seq "$1" "$2"); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { echo "$n"; return 0; }
  done
  return 1
}

# start_display WIDTHxHEIGHT: starts Xvfb on a free display and exports DISPLAY.
# SARVANE_FIRST_DISPLAY (default 90) is the first display number tried, and
# the 50 after it the others.
start_display() {
  local n first=${SARVANE_FIRST_DISPLAY:-90}
  n=$(free_display "$first" $((first + 50))) &&
    start_server "$n" Xvfb ":$n" -screen 0 "${1}x24" -nolisten tcp && XVFB_PID=$SERVER_PID && return 0
  echo "no free X display" >&2
  return 1
}

# install_fonts: Wine's own stand-ins for the Windows fonts (MS Sans Serif above
# all) into the prefix's Fonts folder, the only place this Wine looks for them;
# without them every face falls back to a wider one that the dialogs' designed
# sizes do not hold.
install_fonts() {
  local fonts=/usr/share/wine/fonts
  [ -d "$fonts" ] && cp -u "$fonts"/* "$WINEPREFIX/drive_c/windows/Fonts/"
}

# start_two_monitors [SECOND]: a nested Xephyr display with two Xinerama heads
# side by side, 1024x768 (primary) and a larger SECOND (1280x1024 unless
# given), inside a private Xvfb; exports DISPLAY.
# Wine on a plain Xvfb always sees one monitor. Use make_prefix ... N with it.
start_two_monitors() {
  local second=${1:-1280x1024}
  local width=$((1024 + ${second%x*} + 64)) height=$((${second#*x} + 64)) outer n
  [ "$height" -ge 832 ] || height=832
  start_display "${width}x${height}" || return 1
  outer=$DISPLAY
  n=$(free_display 141 190) &&
    start_server "$n" env DISPLAY="$outer" Xephyr ":$n" -retro +xinerama -screen 1024x768 -screen "$second" \
      -nolisten tcp && XEPHYR_PID=$SERVER_PID && return 0
  echo "no free display for Xephyr" >&2
  return 1
}

# make_prefix DIR [DPI] [XRANDR]: a fresh 64-bit Wine prefix in DIR, which
# runs 32-bit programs too (WoW64), with a persistent wineserver; DPI (default
# 96) is the desktop's scale, which Wine takes at the server's start; XRANDR N
# makes Wine read the monitors from Xinerama (what the nested two-monitor
# display offers).
make_prefix() {
  export WINEPREFIX=$1
  local dpi=${2:-96} xrandr=${3:-Y}
  export WINEARCH=win64
  mkdir -p "$WINEPREFIX"
  "$WINE" wineboot -i >/dev/null 2>&1
  # Unmanaged windows hide and close in milliseconds instead of about two seconds,
  # and there is no window manager on the virtual display anyway.
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /d "$xrandr" /f >/dev/null 2>&1
  install_fonts
  "$WINESERVER" -w
  # One wineserver for the whole session: each program start then costs
  # milliseconds instead of seconds.
  "$WINESERVER" -p
  # A first program start, so later ones meet a running server and the pointer
  # position is the real one.
  "$WINE" cmd /c exit >/dev/null 2>&1 || true
}

stop_environment() {
  if [ -n "${WINEPREFIX:-}" ]; then "$WINESERVER" -k >/dev/null 2>&1 || true; fi
  if [ -n "${XEPHYR_PID:-}" ]; then kill "$XEPHYR_PID" 2>/dev/null || true; wait "$XEPHYR_PID" 2>/dev/null || true; XEPHYR_PID=; fi
  if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
}

# set_dpi N: the screen's dpi for the prefix. Wine reads LogPixels when its
# wineserver starts, so the persistent server is restarted.
set_dpi() {
  "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  "$WINESERVER" -k || true
  "$WINESERVER" -w
  # Its output would keep the caller's pipes open for as long as it runs.
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  # So would the system services (services.exe, rpcss, ...) that the next
  # program starts, for as long as the persistent server runs: a test run
  # under CTest would never end. Start them here, without output.
  "$WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# --- 32-bit programs ---------------------------------------------------------
# Whether this machine runs the shipped 32-bit build at all changes from machine
# to machine: some kernels run 32-bit x86 programs themselves, some run none
# ("Exec format error"), and on those an emulator registered with binfmt_misc
# may run them instead, slowly. setup.sh, test.sh and the package check all ask
# here, and nothing i386 is installed before the answer.

BINFMT=/proc/sys/fs/binfmt_misc
# Where setup.sh leaves the reason when it could not install wine32.
RUN32_NOTE=${SARVANE_DEPS_ROOT:-${XDG_CACHE_HOME:-$HOME/.cache}/sarvaneshuttle-deps}/wine32-not-installed

# write_elf_probes DIR: DIR/probe32 (i386) and DIR/probe64 (x86-64), the
# smallest static ELF programs that exit with status 42, written byte by byte:
# a machine that cannot run 32-bit programs has no 32-bit toolchain either.
write_elf_probes() {
  # ELF header, one PT_LOAD segment of the whole file at 0x08048000, then
  # mov eax,1 / mov ebx,42 / int 0x80.
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08%b%b' \
    '\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00' \
    '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' \
    >"$1/probe32"
  # The same at 0x400000: mov eax,60 / mov edi,42 / syscall.
  printf '\x7fELF\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x3e\x00\x01\x00\x00\x00\x78\x00\x40\x00\x00\x00\x00\x00%b%b' \
    '\x40\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x40\x00\x38\x00\x01\x00\x00\x00\x00\x00\x00\x00' \
    '\x01\x00\x00\x00\x05\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x40\x00\x00\x00\x00\x00\x00\x00\x40\x00\x00\x00\x00\x00\x84\x00\x00\x00\x00\x00\x00\x00\x84\x00\x00\x00\x00\x00\x00\x00\x00\x10\x00\x00\x00\x00\x00\x00\xb8\x3c\x00\x00\x00\xbf\x2a\x00\x00\x00\x0f\x05' \
    >"$1/probe64"
  chmod +x "$1/probe32" "$1/probe64"
}

# i386_binfmt_handler: prints the interpreter of an enabled binfmt_misc entry
# that takes i386 ELF executables; fails when there is none.
i386_binfmt_handler() {
  local entry
  [ -e "$BINFMT/status" ] || return 1
  for entry in "$BINFMT"/*; do
    case ${entry##*/} in register | status) continue ;; esac
    # ELF, 32-bit, little-endian at offset 0, and e_machine 3 (EM_386).
    awk 'NR == 1 && $1 != "enabled" { exit 1 }
         $1 == "interpreter" { interpreter = $2 }
         $1 == "offset" { offset = $2 }
         $1 == "magic" { magic = $2 }
         END { if (offset == 0 && substr(magic, 1, 10) == "7f454c4601" && substr(magic, 37, 4) == "0300")
                 print interpreter; else exit 1 }' "$entry" 2>/dev/null && return 0
  done
  return 1
}

# classify_exec PROGRAM CONTROL: whether PROGRAM runs here. "runs" when it
# exits with 42; "cannot" only when the kernel refuses its format (exit 126,
# "Exec format error") while CONTROL, written beside it, runs; "unknown"
# otherwise: a directory mounted noexec refuses both ("Permission denied"),
# which says nothing about 32-bit programs.
classify_exec() {
  local rc=0 control=0 err
  "$2" 2>/dev/null || control=$?
  err=$("$1" 2>&1) || rc=$?
  if [ "$control" -ne 42 ]; then
    echo unknown
  elif [ "$rc" -eq 42 ]; then
    echo runs
  elif [ "$rc" -eq 126 ] && [[ $err == *"Exec format error"* ]]; then
    echo cannot
  else
    echo unknown
  fi
}

# probe_32bit: how this machine runs 32-bit x86 programs, in RUN32: native
# (the kernel itself), emulated (through the binfmt_misc handler named in
# RUN32_HANDLER), cannot, or unknown (no directory here would run even the
# 64-bit control).
probe_32bit() {
  local base dir answer
  RUN32=unknown RUN32_HANDLER=
  for base in "${TMPDIR:-/tmp}" "${XDG_CACHE_HOME:-$HOME/.cache}" "$PWD"; do
    mkdir -p "$base" 2>/dev/null || continue
    dir=$(mktemp -d "$base/sarvane-probe.XXXXXX" 2>/dev/null) || continue
    write_elf_probes "$dir"
    answer=$(classify_exec "$dir/probe32" "$dir/probe64")
    rm -rf "$dir"
    case $answer in
      runs)
        # A registered handler comes before the kernel's own ELF loader.
        if RUN32_HANDLER=$(i386_binfmt_handler); then RUN32=emulated; else RUN32=native; fi
        return 0 ;;
      cannot) RUN32=cannot; return 0 ;;
    esac
  done
}

# register_i386_emulator: where the kernel runs no 32-bit programs, lets
# Debian's qemu-user run them: mounts binfmt_misc if it is not, and registers
# qemu-i386-static for i386 ELF executables unless a handler for them exists.
# The magic and mask are the usual ones (ET_EXEC and ET_DYN alike); F opens the
# emulator now, so it serves every later process whatever its root or mounts.
register_i386_emulator() {
  [ -x /usr/bin/qemu-i386-static ] || { echo "qemu-i386-static is not installed"; return 1; }
  if [ ! -e "$BINFMT/register" ]; then
    mount -t binfmt_misc binfmt_misc "$BINFMT" 2>/dev/null || { echo "binfmt_misc cannot be mounted"; return 1; }
  fi
  i386_binfmt_handler >/dev/null && return 0
  # The kernel reads the \x escapes itself.
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
    2>/dev/null >"$BINFMT/register" || { echo "binfmt_misc refused the emulator's registration"; return 1; }
}

# run32_support: what the machine does with the 32-bit build, in RUN32: native
# or emulated where wine32 answers too, otherwise none, with the reason in
# RUN32_WHY.
run32_support() {
  probe_32bit
  RUN32_WHY=
  case $RUN32 in
    native | emulated | unknown)
      if "$WINE32" --version >/dev/null 2>&1; then
        [ "$RUN32" != unknown ] || RUN32=native
        return 0
      fi
      RUN32_WHY=$(cat "$RUN32_NOTE" 2>/dev/null || echo "wine32 does not start")
      [ "$RUN32" != unknown ] || RUN32_WHY="a 32-bit test program could not be run here; $RUN32_WHY" ;;
    cannot) RUN32_WHY="the kernel runs no 32-bit programs and no emulator is registered for them" ;;
  esac
  RUN32=none
}

# run32_summary: one line on how the 32-bit build was tested here.
run32_summary() {
  case $RUN32 in
    native) echo "32-bit build: every test set ran natively (the kernel runs 32-bit programs)" ;;
    emulated) echo "32-bit build: unit tests and the installed program's smoke ran under emulation" \
      "(qemu-user); its wide, multi, dpi and end-to-end sets need a kernel that runs 32-bit programs" ;;
    *) echo "32-bit programs cannot run on this machine ($RUN32_WHY): the shipped 32-bit build was built and" \
      "inspected, not run" ;;
  esac
}
