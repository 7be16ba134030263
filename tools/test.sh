#!/bin/bash
# Sets up the machine, checks the sources' format and that the build's targets form no
# cycle, builds the native, sanitizer, fuzzing, Windows and web builds, then runs every
# test: unit and integration tests of each build (the Windows ones under Wine),
# each fuzz target for a fixed number of inputs, the delivered executables end to end on
# private X displays, natively and under Wine, and the web pages in a headless browser.
# Screenshots of the last run stay in build/native/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
jobs=$(nproc)
echo "=== check the structure ==="
tools/check-structure.sh native win32

build() {
  echo "=== build $1 ==="
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j"$jobs"
}
# The machine is checked as soon as the Windows build has made its display probe, before
# anything else takes time.
build win32
echo "=== check the machine ==="
wine=yes
status=0
tools/check-machine.sh || status=$?
case $status in
  0) ;;
  3) wine=no ;;
  *) exit "$status" ;;
esac
for preset in native asan fuzz; do build "$preset"; done
# The tests that need a display get a private one; the end-to-end tests start their own.
# The sanitizer build runs without one: the display libraries' own leaks would drown ours.
# Its leak run of a delivered executable starts its own, and tells those leaks apart.
# Tests on a real display depend on timing (a torn screenshot, a slow start under load):
# one that fails is run once more.
# Where Wine cannot run, the Windows build is still built and its imports checked.
echo "=== test win32 ==="
if [ "$wine" = yes ]; then
  xvfb-run -a -s "-screen 0 800x600x24 -nolisten tcp" ctest --preset win32 -j"$jobs" --repeat until-pass:2
else
  ctest --preset win32 -R '^deliverable_imports_'
fi
echo "=== test fuzz ==="
ctest --preset fuzz -j"$jobs"
echo "=== test asan ==="
env -u DISPLAY -u WAYLAND_DISPLAY ctest --preset asan -j"$jobs"
echo "=== test native ==="
native_skip=()
[ "$wine" = yes ] || native_skip=(-E '^e2e_win32_')
xvfb-run -a -s "-screen 0 800x600x24 -nolisten tcp" ctest --preset native -j"$jobs" --repeat until-pass:2 \
  "${native_skip[@]}"
# The web build's pages in headless Chromium, their canvas checked by the native build's
# screenshot checker. Timing matters here too (the first frame within a second): a failed
# run is run once more.
echo "=== test web ==="
build web
# The shading's tests as the pages run it (WebAssembly SIMD), under Node.js.
cmake --build --preset web -j"$jobs" --target shading_tests
node build/web/web/shading_tests.js
node --test-reporter=spec tests/web/server_test.mjs build/web/bin
web_tests=(node tests/web/pages_test.mjs build/web/bin demo build/native/tests/check-screenshot)
"${web_tests[@]}" || "${web_tests[@]}"
# The two zips and the Debian package built as a user gets them, and tried as each user
# would.
echo "=== packages ==="
tools/package.sh
package_options=()
[ "$wine" = yes ] || package_options=(--without-wine)
tests/e2e/packages_as_users.sh "${package_options[@]}"
if [ "$wine" = no ]; then
  echo "NOT RUN on this machine: the Windows build's tests under Wine (its kernel runs no 32-bit"
  echo "programs); the Windows build was built and its imports checked."
fi
