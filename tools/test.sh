#!/bin/bash
# Sets up the machine, checks the sources' format and that the build's targets form no
# cycle, builds the native, sanitizer, fuzzing, Windows (64- and 32-bit) and web builds,
# then runs every test: unit and integration tests of each build (the Windows ones under
# Wine), each fuzz target for a fixed number of inputs, the delivered executables end to
# end on private X displays, natively and under Wine, the web pages in a headless
# browser, a program of one's own built against each build's kit of the libraries, and
# the packages as their users meet them. The 64-bit Windows build runs under 64-bit Wine on every machine; the 32-bit
# one where the kernel runs 32-bit programs, and the last line names every test that
# could not run. Screenshots of the last run stay in build/native/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
jobs=$(nproc)
echo "=== check the structure ==="
tools/check-structure.sh native win32 win64

build() {
  echo "=== build $1 ==="
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j"$jobs"
}
# The machine is checked as soon as the Windows builds have made their display probes,
# before anything else takes time.
build win64
build win32
echo "=== check the machine ==="
wine32=yes
status=0
tools/check-machine.sh || status=$?
case $status in
  0) ;;
  3) wine32=no ;;
  *) exit "$status" ;;
esac
# What could not run here, by name, a line for each build, for the end.
not_run=()
not_run_tests() {
  not_run+=("  $1 tests: $(ctest --preset "$1" -N "${@:2}" | sed -n 's/^ *Test *#[0-9]*: //p' | xargs)")
}
for preset in native asan fuzz; do build "$preset"; done
# The tests that need a display get a private one; the end-to-end tests start their own.
# The sanitizer build runs without one: the display libraries' own leaks would drown ours.
# Its leak run of a delivered executable starts its own, and tells those leaks apart.
# Tests on a real display depend on timing (a torn screenshot, a slow start under load):
# one that fails is run once more. No X server here resets when its last client leaves,
# as one resetting refuses a client that comes meanwhile.
on_display=(xvfb-run -a -s "-screen 0 800x600x24 -nolisten tcp -noreset")
# Where 32-bit Wine cannot run, the 32-bit build is still built and its imports checked.
echo "=== test win64 ==="
"${on_display[@]}" ctest --preset win64 -j"$jobs" --repeat until-pass:2
echo "=== test win32 ==="
if [ "$wine32" = yes ]; then
  "${on_display[@]}" ctest --preset win32 -j"$jobs" --repeat until-pass:2
else
  ctest --preset win32 -R '^(deliverable|example)_(imports|resources)_'
  not_run_tests win32 -E '^(deliverable|example)_(imports|resources)_'
fi
echo "=== test fuzz ==="
ctest --preset fuzz -j"$jobs"
echo "=== test asan ==="
# Without a display (the X and SDL libraries are not ours to check for leaks): the tests
# that need one skip themselves here, and are named at the end; the native run has them.
env -u DISPLAY -u WAYLAND_DISPLAY ctest --preset asan -j"$jobs" | tee build/asan-tests.log
asan_skipped=$(sed -n 's/^.*Test *#[0-9]*: \([^ ]*\) .*\*\*\*Skipped.*$/\1/p' build/asan-tests.log | xargs)
echo "=== test native ==="
native_skip=()
if [ "$wine32" = no ]; then
  native_skip=(-E '^e2e_win32_')
  not_run_tests native -R '^e2e_win32_'
fi
"${on_display[@]}" ctest --preset native -j"$jobs" --repeat until-pass:2 \
  "${native_skip[@]}"
# The web build's pages in headless Chromium, their canvas checked by the native build's
# screenshot checker. Timing matters here too (the first frame within a second): a failed
# run is run once more.
echo "=== test web ==="
build web
# The shading's tests as the pages run it (WebAssembly SIMD), under Node.js.
cmake --build --preset web -j"$jobs" --target shading_tests
node build/web/web/shading_tests.js
node tests/web/server_test.mjs build/web/bin
for web_test in tests/web/pages_test.mjs tests/web/visitors_test.mjs; do
  web_tests=(node "$web_test" build/web/bin demo build/native/tests/check-screenshot)
  "${web_tests[@]}" || "${web_tests[@]}"
done
example_tests=(node tests/web/examples_test.mjs build/web/bin examples build/native/tests/check-examples)
"${example_tests[@]}" || "${example_tests[@]}"
# Each build's kit of the libraries installed into a scratch prefix, and a program that is
# not ours (the starter project, copied out of the tree) built against it and run: the
# 32-bit one under Wine where that runs here.
echo "=== kits ==="
rm -rf build/kits
for preset in native win64 win32 web; do
  cmake --install "build/$preset" --prefix "build/kits/$preset" --component sdk >/dev/null
done
kit_test() { tests/e2e/kit_starter.sh "$@" || { echo "(run once more)" && tests/e2e/kit_starter.sh "$@"; }; }
kit_test native build/kits/native build/native/screenshots
kit_test win64 build/kits/win64 build/native/screenshots "$PWD/tools/wine-run.sh"
if [ "$wine32" = yes ]; then
  kit_test win32 build/kits/win32 build/native/screenshots "$PWD/tools/wine-run.sh"
else
  kit_test win32 build/kits/win32 build/native/screenshots
  not_run+=("  kits: the starter built against the win32 kit, under Wine")
fi
kit_test web build/kits/web build/native/screenshots
# The zips and the Debian packages built as a user gets them, and tried as each user would.
echo "=== packages ==="
tools/package.sh
package_options=()
if [ "$wine32" = no ]; then
  package_options=(--without-wine32)
  not_run+=("  packages: the programs of $(basename build/packages/bump-[0-9]*-win32.zip) and of $(basename build/packages/bump-sdk-*-win32.zip)'s starter under Wine")
fi
tests/e2e/packages_as_users.sh "${package_options[@]}"
if [ -n "$asan_skipped" ]; then
  echo "Skipped in the sanitizer build, which has no display (the native build ran them):"
  echo "  $asan_skipped"
fi
if [ ${#not_run[@]} -gt 0 ]; then
  echo "NOT RUN on this machine, whose kernel runs no 32-bit programs (32-bit Wine cannot start;"
  echo "the 32-bit build was built and its imports checked; the 64-bit build's tests all ran):"
  printf '%s\n' "${not_run[@]}"
fi
