#!/bin/bash
# The starter project (examples/starter/) as a programmer uses it: copied into a folder
# outside the tree and built against the libraries' kit in KIT (a prefix that `cmake
# --install --component sdk` made, an unzipped SDK zip, or a Debian package's usr/) with
# find_package(bump), then run as its users would: BUILD native on a private display;
# win64 or win32 (with the tree's toolchain files) under RUNNER, Wine, or where that
# cannot run only its imports checked; web (Emscripten) served by a plain static server to
# headless Chromium. Each time its picture is checked (check-examples starter), a key
# ends it with exit code 0. Natively it is also built with pkg-config alone and run. With
# --as USER, the builds and the runs are that (unprivileged) user's. Screenshots go to
# SHOTS-DIR as starter-BUILD.png.
#   kit_starter.sh BUILD KIT SHOTS-DIR [--as USER] [RUNNER]
set -u
build=$1 kit=$(cd "$2" && pwd) shots=$3
shift 3
user=
if [ "${1:-}" = --as ]; then
  user=$2
  shift 2
fi
runner=${1:-}
tree=$(cd "$(dirname "$0")/../.." && pwd)
checker=$tree/build/native/tests/check-examples
name=starter-$build
fail() { echo "FAIL ($name): $*"; exit 1; }
[ -x "$checker" ] || fail "$checker is missing: build the native preset's check-examples"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$tree/examples/starter" "$work/starter"
as_user=()
if [ -n "$user" ]; then
  chmod 755 "$work"
  chown -R "$user" "$work/starter"
  as_user=(setpriv --reuid="$user" --regid="$(id -gn "$user")" --clear-groups
           env HOME="$work/starter" PATH=/usr/bin:/bin)
fi
run() { (cd "$work/starter" && "${as_user[@]}" "$@") >"$work/output" 2>&1 || fail "$*: $(cat "$work/output")"; }

case $build in
  native) configure=(cmake -DCMAKE_PREFIX_PATH="$kit") ;;
  win64) configure=(cmake -DCMAKE_TOOLCHAIN_FILE="$tree/cmake/mingw-x86_64.cmake" -DCMAKE_PREFIX_PATH="$kit") ;;
  win32) configure=(cmake -DCMAKE_TOOLCHAIN_FILE="$tree/cmake/mingw-i686.cmake" -DCMAKE_PREFIX_PATH="$kit") ;;
  # Emscripten's toolchain finds packages under its roots alone; the kit is named one.
  web) configure=(env NODE_PATH=/usr/share/nodejs emcmake cmake -DCMAKE_FIND_ROOT_PATH="$kit") ;;
  *) fail "no such build: $build" ;;
esac
run "${configure[@]}" -S . -B build
run env NODE_PATH=/usr/share/nodejs cmake --build build
mkdir -p "$shots"
# What each step said, for the last line; a step that fails ends the test.
said=()
step() {
  local out
  out=$("$@") || fail "$out"
  said+=("${out#ok: }")
}

case $build in
  native)
    step "$tree/tests/e2e/program_on_display.sh" "$work/starter/build/starter" "$shots/$name.png" \
      "${as_user[@]}" -- "$checker" starter
    # pkg-config alone: the flags it gives build the program, which starts and ends.
    pc=$(find "$kit/lib" -name bump.pc -path '*/pkgconfig/*')
    [ -n "$pc" ] || fail "no bump.pc in $kit/lib"
    run env PKG_CONFIG_PATH="$(dirname "$pc")" sh -c \
      'g++ -o starter-pc starter.cpp $(pkg-config --cflags --libs bump)'
    (cd "$work/starter" && DISPLAY= "${as_user[@]}" ./starter-pc) >"$work/output" 2>&1 ||
      fail "built with pkg-config, it failed: $(cat "$work/output")"
    [ "$(cat "$work/output")" = "starter-pc: no display: DISPLAY is not set" ] ||
      fail "built with pkg-config, it printed: $(cat "$work/output")"
    said+=("built with pkg-config --cflags --libs bump, it starts and ends with exit code 0")
    ;;
  win64 | win32)
    architecture=x86_64
    [ "$build" = win32 ] && architecture=i686
    step "$tree/tests/e2e/check_imports.sh" "$work/starter/build/starter.exe" "$architecture"
    if [ -n "$runner" ]; then
      step "$tree/tests/e2e/program_on_display.sh" "$work/starter/build/starter.exe" \
        "$shots/$name.png" "$runner" -- "$checker" starter
    else
      said+=("NOT RUN: the program itself, without a Wine that runs it here")
    fi
    ;;
  web)
    node "$tree/tests/web/starter_test.mjs" "$work/starter/build" starter.html "$checker" starter \
      >"$work/output" 2>&1 || fail "in the browser: $(cat "$work/output")"
    said+=("its page, served by http.server, showed its picture in headless Chromium and a key ended it with exit code 0")
    ;;
esac
summary=$(printf '%s; ' "${said[@]}")
echo "ok: the starter built against the $build kit in $kit${user:+ by $user}: ${summary%; }"
