#!/bin/bash
# Checks what the tests rely on, so that a missing piece of the machine is reported as
# such instead of as a failing test: every package that tools/setup.sh names, and that
# 64-bit Wine, and 32-bit Wine where it can run, can set the demonstration's mode on a
# test display, 800 x 600 at 8 bits (which needs each Windows build's display-mode-check,
# built first).
# Exit code 0: all there. 1: something is missing, named on standard error. 3: all there,
# but this machine's kernel runs no 32-bit programs, so 32-bit Wine cannot run here (the
# 64-bit Windows build's tests can).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh --check

# Sets the mode with the given build's probe under Wine, or says why it cannot.
probe_mode() {
  local probe=build/$1/bin/display-mode-check.exe
  if [ ! -f "$probe" ]; then
    echo "check-machine: $probe is missing; build the $1 preset first" >&2
    return 1
  fi
  # One try more: the first in a fresh prefix has failed once on a loaded machine and
  # passed at once when tried again; a missing library fails both.
  local tries=0
  until xvfb-run -a -s "-screen 0 800x600x24 -nolisten tcp" tools/wine-run.sh "$probe"; do
    tries=$((tries + 1))
    [ "$tries" -lt 2 ] && continue
    echo "check-machine: $2 Wine cannot set 800 x 600 at 8 bits on an X display." >&2
    echo "  Wine's X11 driver needs its $2 X libraries for display modes, the ones" >&2
    echo "  tools/setup.sh installs (libxrandr2, libxrender1 and others, :i386 for 32 bits)." >&2
    return 1
  done
}

probe_mode win64 64-bit || exit 1
# Wine's 32-bit loader fails with "Exec format error" on a kernel built or booted without
# 32-bit support; no package mends that.
if ! /lib/i386-linux-gnu/ld-linux.so.2 --version >/dev/null 2>&1; then
  echo "check-machine: this machine's kernel runs no 32-bit programs, so 32-bit Wine cannot" \
    "run the 32-bit Windows build here; 64-bit Wine sets 800 x 600 at 8 bits" >&2
  exit 3
fi
probe_mode win32 32-bit || exit 1
echo "check-machine: packages present; 64-bit and 32-bit Wine set 800 x 600 at 8 bits"
