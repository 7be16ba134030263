#!/bin/bash
# Sets up the machine, then builds the native, sanitizer and Windows builds and runs
# every test: unit and integration tests of each build (the Windows ones under Wine) and
# the checks of the delivered executables.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
jobs=$(nproc)

for preset in native asan win32; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
  ctest --preset "$preset" -j"$jobs"
done
