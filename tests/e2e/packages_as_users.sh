#!/bin/bash
# Tries the packages that tools/package.sh left in build/packages/ as their users would,
# each on its own private display: the Windows zips under Wine (the 64-bit one, then the
# 32-bit one) beside the Debian package natively; then the web zip, served by a plain
# static server to headless Chromium (tests/web/package_test.mjs). The libraries' kits
# the same way, as programmers use them (package_sdk.sh): the starter built against each
# and run. Screenshots go to
# build/packages/screenshots/, each test's report to build/packages/*.log. A test that
# fails is run once more, as the other tests on a real display are (a torn screenshot, a
# slow start under load). Where 32-bit Wine cannot run, the 32-bit zip's programs are
# checked but not run.
#   tests/e2e/packages_as_users.sh [--without-wine32]
set -u
cd "$(dirname "$0")/../.."
runner=("$PWD/tools/wine-run.sh")
runner32=("${runner[@]}")
[ "${1:-}" = --without-wine32 ] && runner32=()
packages=build/packages
# The screenshot checkers of the native build, built if they are not.
cmake --build --preset native --target check-screenshot check-examples >/dev/null || exit 1
checker=build/native/tests/check-screenshot
shots=$packages/screenshots
# The checker knows every relief factor of the first half minute: a few seconds of
# frames are as good a test as ten.
export SCREENSHOT_DELAY=2
twice() { "$@" || { echo "(run once more)" && "$@"; }; }

{
  status=0
  twice tests/e2e/package_zip.sh "$packages"/bump-[0-9]*-win64.zip demo "$checker" "$shots" \
    "${runner[@]}" || status=1
  twice tests/e2e/package_zip.sh "$packages"/bump-[0-9]*-win32.zip demo "$checker" "$shots" \
    "${runner32[@]}" || status=1
  twice tests/e2e/package_sdk.sh "$packages"/bump-sdk-*-win64.zip "$shots" "${runner[@]}" ||
    status=1
  twice tests/e2e/package_sdk.sh "$packages"/bump-sdk-*-win32.zip "$shots" "${runner32[@]}" ||
    status=1
  [ $status -eq 0 ]
} >"$packages/zip.log" 2>&1 &
zip_pid=$!
{
  twice tests/e2e/package_deb.sh "$packages"/bump_*_amd64.deb demo "$checker" "$shots" \
    build/native/tests/check-examples
  status=$?
  twice tests/e2e/package_sdk.sh "$packages"/libbump-dev_*_amd64.deb "$shots" && [ $status -eq 0 ]
} >"$packages/deb.log" 2>&1
deb_status=$?
wait "$zip_pid"
zip_status=$?
{
  twice node tests/web/package_test.mjs "$packages"/bump-[0-9]*-web.zip "$checker"
  status=$?
  twice tests/e2e/package_sdk.sh "$packages"/bump-sdk-*-web.zip "$shots" && [ $status -eq 0 ]
} >"$packages/web.log" 2>&1
web_status=$?
cat "$packages/zip.log" "$packages/deb.log" "$packages/web.log"
# A check that could not run here is named again at the end, apart from what passed.
not_run=$(grep -h '^not run:' "$packages/zip.log" "$packages/deb.log" "$packages/web.log")
if [ -n "$not_run" ]; then
  echo "NOT RUN in the packages' tests:"
  echo "$not_run"
fi
[ $zip_status -eq 0 ] && [ $deb_status -eq 0 ] && [ $web_status -eq 0 ]
