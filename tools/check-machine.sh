#!/bin/bash
# Checks what the tests rely on, so that a missing piece of the machine is reported as
# such instead of as a failing test: every package that tools/setup.sh names, and that
# Wine on a test display can set the demonstration's mode, 800 x 600 at 8 bits (which
# needs the Windows build's display-mode-check, built first).
# Exit code 0: all there. 1: something is missing, named on standard error. 3: this
# machine's kernel runs no 32-bit programs, so Wine cannot run here at all; everything
# else is there.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh --check

# Wine's 32-bit loader fails with "Exec format error" on a kernel built or booted without
# 32-bit support; no package mends that.
if ! /lib/i386-linux-gnu/ld-linux.so.2 --version >/dev/null 2>&1; then
  echo "check-machine: this machine's kernel runs no 32-bit programs, so Wine cannot run" \
    "the Windows build here" >&2
  exit 3
fi

probe=build/win32/bin/display-mode-check.exe
if [ ! -f "$probe" ]; then
  echo "check-machine: $probe is missing; build the win32 preset first" >&2
  exit 1
fi
if ! xvfb-run -a -s "-screen 0 800x600x24 -nolisten tcp" tools/wine-run.sh "$probe"; then
  echo "check-machine: Wine cannot set 800 x 600 at 8 bits on an X display." >&2
  echo "  Wine's X11 driver needs its 32-bit X libraries for display modes, the ones" >&2
  echo "  tools/setup.sh installs (libxrandr2:i386, libxrender1:i386 and others)." >&2
  exit 1
fi
echo "check-machine: packages present; Wine sets 800 x 600 at 8 bits"
