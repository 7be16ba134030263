#!/bin/bash
# Builds the web site and measures one page in headless Chromium (tools/measure_web.mjs):
# its size, the time to its first frame and to the first after "Start again", its frame
# rate against the animation frames', and the main thread's, the program's worker's and
# the canvas's time per frame; with --slow instead, the first frame of a first and a
# second visit and after "Start again" over a slow link (400 ms, 400 kbit/s). With
# --on-page, the program runs on the page, as where a browser cannot hand a canvas over.
#   tools/measure_web.sh [--on-page] [paris|morph|morphose] [SECONDS] [RUNS]
#   tools/measure_web.sh --slow [--on-page] [paris|morph|morphose] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset web >/dev/null
cmake --build --preset web -j"$(nproc)" --target site >/dev/null
exec node tools/measure_web.mjs "$@"
