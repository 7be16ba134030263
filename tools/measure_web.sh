#!/bin/bash
# Builds the web site and measures one page in headless Chromium (tools/measure_web.mjs):
# its size, the time to its first frame, its frame rate against the browser's, and the
# main thread's and the canvas's time per frame; with --slow instead, the first frame of
# a first and a second visit over a slow link (400 ms, 400 kbit/s).
#   tools/measure_web.sh [paris|morph|morphose] [SECONDS] [RUNS]
#   tools/measure_web.sh --slow [paris|morph|morphose] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset web >/dev/null
cmake --build --preset web -j"$(nproc)" --target site >/dev/null
exec node tools/measure_web.mjs "$@"
