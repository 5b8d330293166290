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
# SARVANE_FIRST_DISPLAY (default 90) is the first display number tried.
start_display() {
  local n
  n=$(free_display "${SARVANE_FIRST_DISPLAY:-90}" 140) &&
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
