#!/bin/bash
# Builds the two packages into build/packages/ with CPack: bump-VERSION-win32.zip from
# the Windows build and bump_VERSION_amd64.deb from the native one. Only the three
# deliverables and the two examples (and the documents of the Debian package) are built
# for it, not the tests.
#   tools/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
out=build/packages
rm -rf "$out"
mkdir -p "$out"
for preset in win32 native; do
  targets=(bump-paris bump-morph bump-morphose sprite-garden palette-cycle)
  [ "$preset" = native ] && targets+=(package-documents)
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$(nproc)" --target "${targets[@]}" >/dev/null
  cpack --config "build/$preset/CPackConfig.cmake" -B "$out" >/dev/null
done
# CPack's staging folders are no package.
rm -rf "$out/_CPack_Packages"
ls -l "$out"
