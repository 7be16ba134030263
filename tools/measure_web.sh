#!/bin/bash
# Builds the web pages and measures one in headless Chromium (tools/measure_web.mjs): its
# size, the time to its first frame, its frame rate against the browser's, and the main
# thread's time per frame.
#   tools/measure_web.sh [paris|morph|morphose] [SECONDS] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset web >/dev/null
cmake --build --preset web -j"$(nproc)" --target "bump-${1:-paris}" >/dev/null
exec node tools/measure_web.mjs "$@"
