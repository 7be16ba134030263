#!/bin/bash
# Sets up the machine, builds the native, sanitizer, fuzzing and Windows builds, then runs
# every test: unit and integration tests of each build (the Windows ones under Wine), each
# fuzz target for a fixed number of inputs, and the delivered executables end to end on
# private X displays, natively and under Wine.
# Screenshots of the last run stay in build/native/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
jobs=$(nproc)

for preset in win32 native asan fuzz; do
  echo "=== build $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
done
# The tests that need a display get a private one; the end-to-end tests start their own.
# The sanitizer build runs without one: the display libraries' own leaks would drown ours.
# Its leak run of a delivered executable starts its own, and tells those leaks apart.
# Tests on a real display depend on timing (a torn screenshot, a slow start under load):
# one that fails is run once more.
echo "=== test win32 ==="
xvfb-run -a -s "-screen 0 800x600x24 -nolisten tcp" ctest --preset win32 -j"$jobs" --repeat until-pass:2
echo "=== test fuzz ==="
ctest --preset fuzz -j"$jobs"
echo "=== test asan ==="
env -u DISPLAY -u WAYLAND_DISPLAY ctest --preset asan -j"$jobs"
echo "=== test native ==="
xvfb-run -a -s "-screen 0 800x600x24 -nolisten tcp" ctest --preset native -j"$jobs" --repeat until-pass:2
# The zip and the Debian package built as a user gets them, and tried as each user would.
echo "=== packages ==="
tools/package.sh
tests/e2e/packages_as_users.sh
