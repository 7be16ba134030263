#!/bin/bash
# Runs a Windows program under Wine in the checkout's own quiet prefix, passing its exit
# code through: two checkouts testing on one machine each have their own wineserver. A
# 64-bit program (PE32+) runs under 64-bit Wine in a 64-bit prefix, build/wine-prefix64
# unless WINEPREFIX64 names another, so that it runs on machines that run no 32-bit
# program; a 32-bit one under Wine's 32-bit loader in build/wine-prefix unless WINEPREFIX
# names another (a prefix made by 32-bit Wine alone holds no 64-bit system). The Mono and
# Gecko installers are skipped: nothing here needs them.
#   wine-run.sh PROGRAM.exe [ARGUMENT...]
set -e
build="$(cd "$(dirname "$0")/.." && pwd)/build"
if file -b "$1" | grep -q '^PE32+'; then
  export WINEPREFIX="${WINEPREFIX64:-$build/wine-prefix64}"
  # Debian's wine command prefers the 32-bit loader whenever it is installed, even where
  # it cannot start; the 64-bit one is asked for by name.
  export WINELOADER=/usr/lib/wine/wine64
  wine=("$WINELOADER")
else
  export WINEPREFIX="${WINEPREFIX:-$build/wine-prefix}"
  wine=(wine)
fi
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
mkdir -p "$(dirname "$WINEPREFIX")"
# Tests run side by side: the first one creates the prefix while the others wait. There is
# no window manager on the test displays, so Wine manages its windows itself (otherwise
# hiding a window waits two seconds for a window manager that never answers).
(
  flock 9
  if [ ! -f "$WINEPREFIX/.bump-ready" ]; then
    "${wine[@]}" wineboot -i >/dev/null 2>&1 || true
    "${wine[@]}" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    wineserver -w || true
    touch "$WINEPREFIX/.bump-ready"
  fi
) 9>"$WINEPREFIX.lock"
exec "${wine[@]}" "$@"
