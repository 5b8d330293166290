# Sourced by run.sh and test.sh: a private X display and a private Wine prefix
# that the caller creates, owns and tears down.
# shellcheck shell=bash

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko install prompts while the prefix is created.
export WINEDLLOVERRIDES="mscoree=;mshtml="

# start_display WIDTHxHEIGHT: starts Xvfb on a free display and exports DISPLAY.
start_display() {
  local geometry=$1 n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 "${geometry}x24" -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    local tries
    for tries in $(seq 100); do
      [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && xdpyinfo >/dev/null 2>&1 && return 0
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null || true
  done
  echo "no free X display" >&2
  return 1
}

# start_two_monitors: a nested Xephyr display with two Xinerama heads side by
# side, 1024x768 (primary) and 800x600, inside a private Xvfb; exports DISPLAY.
# Wine on a plain Xvfb always sees one monitor. Use make_prefix ... N with it.
start_two_monitors() {
  start_display 2200x900 || return 1
  local outer=$DISPLAY n
  for n in $(seq 141 190); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    DISPLAY=$outer Xephyr ":$n" -retro +xinerama -screen 1024x768 -screen 800x600 -nolisten tcp >/dev/null 2>&1 &
    XEPHYR_PID=$!
    export DISPLAY=":$n"
    local tries
    for tries in $(seq 100); do
      xdpyinfo >/dev/null 2>&1 && return 0
      kill -0 "$XEPHYR_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$XEPHYR_PID" 2>/dev/null || true
  done
  echo "no free display for Xephyr" >&2
  return 1
}

# make_prefix DIR [DPI] [XRANDR]: a fresh 64-bit Wine prefix in DIR with a
# persistent wineserver; DPI (default 96) is the desktop's scale, which Wine
# takes at the server's start; XRANDR N makes Wine read the monitors from
# Xinerama (what the nested two-monitor display offers).
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
