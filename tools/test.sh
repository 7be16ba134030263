#!/bin/bash
# Sets up the machine, builds the native, sanitizer and Windows builds, then runs every
# test: unit and integration tests of each build (the Windows ones under Wine), and the
# delivered executables end to end on private X displays, natively and under Wine.
# Screenshots of the last run stay in build/native/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
jobs=$(nproc)

for preset in win32 native asan; do
  echo "=== build $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
done
# The tests that need a display get a private one; the end-to-end tests start their own.
for preset in win32 asan native; do
  echo "=== test $preset ==="
  xvfb-run -a -s "-screen 0 800x600x24 -nolisten tcp" ctest --preset "$preset" -j"$jobs"
done
