#!/bin/bash
# Runs a Windows program under Wine in the checkout's own quiet prefix (build/wine-prefix
# unless WINEPREFIX names another), passing its exit code through: two checkouts testing
# on one machine each have their own wineserver. The Mono and Gecko installers are
# skipped: nothing here needs them.
set -e
export WINEPREFIX="${WINEPREFIX:-$(cd "$(dirname "$0")/.." && pwd)/build/wine-prefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
mkdir -p "$(dirname "$WINEPREFIX")"
# Tests run side by side: the first one creates the prefix while the others wait. There is
# no window manager on the test displays, so Wine manages its windows itself (otherwise
# hiding a window waits two seconds for a window manager that never answers).
(
  flock 9
  if [ ! -f "$WINEPREFIX/.bump-ready" ]; then
    wineboot -i >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    wineserver -w || true
    touch "$WINEPREFIX/.bump-ready"
  fi
) 9>"$WINEPREFIX.lock"
exec wine "$@"
