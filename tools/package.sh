#!/bin/bash
# Builds the packages into build/packages/ with CPack: bump-VERSION-win64.zip and
# bump-VERSION-win32.zip from the two Windows builds, bump_VERSION_amd64.deb from the
# native one and bump-VERSION-web.zip, the web site, from the web build; and from each
# build its libraries' kit: bump-sdk-VERSION-win64.zip, bump-sdk-VERSION-win32.zip,
# libbump-dev_VERSION_amd64.deb and bump-sdk-VERSION-web.zip. Only the deliverables, the
# examples and bump-picture with the libraries under them (and the documents of the
# Debian packages, the site's front page and compressed files) are built for them, not
# the tests.
#   tools/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
out=build/packages
rm -rf "$out"
mkdir -p "$out"
for preset in win64 win32 native web; do
  targets=(bump-paris bump-morph bump-morphose sprite-garden palette-cycle)
  [ "$preset" = native ] && targets+=(package-documents sdk-documents)
  if [ "$preset" = web ]; then targets+=(site); else targets+=(bump-picture); fi
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$(nproc)" --target "${targets[@]}" >/dev/null
  cpack --config "build/$preset/CPackConfig.cmake" -B "$out" >/dev/null
done
# CPack's staging folders are no package.
rm -rf "$out/_CPack_Packages"
ls -l "$out"
