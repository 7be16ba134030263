#!/bin/bash
# A package of the libraries' kit as a programmer meets it: libbump-dev_*.deb, or
# bump-sdk-*-win64.zip, -win32.zip or -web.zip. It holds the public headers under
# include/bump/ (nothing loose in the include root), the static libraries, the CMake
# package and, for Debian, bump.pc, the copyright and change log; a zip its README-sdk.txt
# and LICENSE.txt. The Debian package depends on libsdl2-dev and libx11-dev, names no
# file of the source or build tree, and lintian reports no error; installed into a scratch
# root (dpkg-deb -x), an unprivileged user builds the starter against it and runs it. A
# zip, unzipped into a fresh folder, has the starter built against it and run
# (kit_starter.sh; a Windows one under RUNNER, Wine, or without one only checked).
#   package_sdk.sh PACKAGE SHOTS-DIR [RUNNER]
set -u
package=$1 shots=$2 runner=${3:-}
name=$(basename "$package")
fail() { echo "FAIL ($name): $*"; exit 1; }
tree=$(cd "$(dirname "$0")/../.." && pwd)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

case $name in
  *.deb) build=native prefix=usr/ multiarch=/$(dpkg-architecture -qDEB_HOST_MULTIARCH) ;;
  *-win64.zip) build=win64 prefix= multiarch= ;;
  *-win32.zip) build=win32 prefix= multiarch= ;;
  *-web.zip) build=web prefix= multiarch= ;;
  *) fail "not a package of the kit" ;;
esac
if [ "$build" = native ]; then
  files=$(dpkg-deb -c "$package" | awk '$1 !~ /^d/ {sub(/^\.\//, "", $6); print $6}' | sort)
else
  files=$(unzip -Z1 "$package" | grep -v '/$' | sort)
fi

# What a program includes, links and finds, where it finds it.
headers="file/file.h input/directinput.h input/keyboard.h input/mouse.h palette/palette.h
  platform/process.h platform/win32.h runtime/address.h runtime/command_line.h runtime/heap.h
  runtime/memory.h runtime/random.h screen/drawing.h screen/screen.h sprite/decoders.h
  sprite/sprite.h startup/startup.h"
[ "$build" = win64 ] || [ "$build" = win32 ] ||
  headers+=" platform/posix/include/winapi.h platform/posix/include/ddraw.h"
libdir=${prefix}lib$multiarch
expected=()
for header in $headers; do expected+=("${prefix}include/bump/$header"); done
for library in runtime file sprite_table screen palette sprite input startup; do
  expected+=("$libdir/libbump_$library.a")
done
for file in bumpConfig.cmake bumpConfigVersion.cmake bumpTargets.cmake; do
  expected+=("$libdir/cmake/bump/$file")
done
case $build in
  native) expected+=("$libdir/pkgconfig/bump.pc" usr/share/doc/libbump-dev/copyright
                     usr/share/doc/libbump-dev/changelog.gz) ;;
  web) expected+=(README-sdk.txt LICENSE.txt lib/cmake/bump/bumpWebPage.cmake
                  share/bump/web/browser_display.js share/bump/web/program_host.js
                  share/bump/web/icon-32.png) ;;
  *) expected+=(README-sdk.txt LICENSE.txt) ;;
esac
for file in "${expected[@]}"; do
  grep -qx "$file" <<<"$files" || fail "it holds no $file"
done
loose=$(grep "^${prefix}include/" <<<"$files" | grep -v "^${prefix}include/bump/")
[ -z "$loose" ] || fail "headers outside include/bump/: $loose"
others=$(grep -Ev "^${prefix}(include/bump|lib|share)/|^(README-sdk|LICENSE)\.txt$" <<<"$files")
[ -z "$others" ] || fail "it holds other files: $others"

if [ "$build" = native ]; then
  depends=$(dpkg-deb -f "$package" Depends)
  [ "$depends" = "libsdl2-dev, libx11-dev" ] || fail "depends on: $depends"
  [ "$(dpkg-deb -f "$package" Section)" = libdevel ] || fail "not in the section libdevel"
  if command -v lintian >/dev/null; then
    report=$(lintian --fail-on error "$package" 2>/dev/null) || fail "lintian: $report"
  fi
  dpkg-deb -x "$package" "$dir/root" || fail "dpkg-deb -x failed"
  grep -rlF "$tree" "$dir/root" && fail "files above name the source or build tree $tree"
  kit=$dir/root/usr
  as=()
  [ "$(id -u)" -eq 0 ] && as=(--as nobody)
  chmod 755 "$dir"
else
  unzip -q "$package" -d "$dir/kit" || fail "cannot unzip"
  grep -q "zlib" "$dir/kit/README-sdk.txt" || fail "README-sdk.txt does not name the licence"
  kit=$dir/kit
  as=()
fi
result=$("$tree/tests/e2e/kit_starter.sh" "$build" "$kit" "$shots" "${as[@]}" $runner) ||
  fail "$result"
echo "ok: $name holds the headers under include/bump/, the libraries and the CMake package;" \
  "${result#ok: }"
