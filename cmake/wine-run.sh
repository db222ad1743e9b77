#!/bin/sh
# Runs a Windows program under Wine without a window: wine-run.sh PREFIX PROGRAM [ARG...].
# wine-run.sh PREFIX --wait waits until every program of the prefix has ended (an uninstaller
# goes on in a copy of itself after the one started has returned).
# The prefix is created on first use; 64-bit Wine only (Debian package wine64).
set -eu
prefix=$1
shift
WINEPREFIX=$(mkdir -p "$prefix" && cd "$prefix" && pwd)
WINEDEBUG=-all
# No Mono or Gecko installers: nothing here needs them, and they would ask with a window. No
# menu entries of the desktop either: installers' shortcuts stay inside the prefix.
WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
unset DISPLAY WAYLAND_DISPLAY
if [ "${1:-}" = "--wait" ]; then
  for server in /usr/lib/wine/wineserver64 wineserver; do
    if command -v "$server" >/dev/null 2>&1; then exec "$server" -w; fi
  done
  exit 1
fi
wine=${WINE:-}
if [ -z "$wine" ]; then
  for candidate in /usr/lib/wine/wine64 wine64 wine; do
    if command -v "$candidate" >/dev/null 2>&1; then wine=$candidate; break; fi
  done
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$wine" wineboot --init >"$WINEPREFIX.log" 2>&1 || true
fi
exec "$wine" "$@"
