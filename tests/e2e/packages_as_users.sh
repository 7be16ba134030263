#!/bin/bash
# Tries the packages that tools/package.sh left in build/packages/ as their users would,
# side by side, each on its own private display: the Windows zip under Wine, the Debian
# package natively. Screenshots go to build/packages/screenshots/, each test's report to
# build/packages/*.log. A test that fails is run once more, as the other tests on a real
# display are (a torn screenshot, a slow start under load). Where Wine cannot run, the
# zip's programs are checked but not run.
#   tests/e2e/packages_as_users.sh [--without-wine]
set -u
cd "$(dirname "$0")/../.."
runner=("$PWD/tools/wine-run.sh")
[ "${1:-}" = --without-wine ] && runner=()
packages=build/packages
# The screenshot checkers of the native build, built if they are not.
cmake --build --preset native --target check-screenshot check-examples >/dev/null || exit 1
checker=build/native/tests/check-screenshot
shots=$packages/screenshots
# The checker knows every relief factor of the first half minute: a few seconds of
# frames are as good a test as ten.
export SCREENSHOT_DELAY=2
twice() { "$@" || { echo "(run once more)" && "$@"; }; }

twice tests/e2e/package_zip.sh "$packages"/bump-*-win32.zip demo "$checker" "$shots" \
  "${runner[@]}" >"$packages/zip.log" 2>&1 &
zip_pid=$!
twice tests/e2e/package_deb.sh "$packages"/bump_*_amd64.deb demo "$checker" "$shots" \
  build/native/tests/check-examples >"$packages/deb.log" 2>&1
deb_status=$?
wait "$zip_pid"
zip_status=$?
cat "$packages/zip.log" "$packages/deb.log"
[ $zip_status -eq 0 ] && [ $deb_status -eq 0 ]
