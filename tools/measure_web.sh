#!/bin/bash
# Builds the web site and measures one page in headless Chromium (tools/measure_web.mjs):
# its size, the time to its first frame and to the first after "Start again", its frame
# rate against the animation frames', and the main thread's, the program's worker's and
# the canvas's time per frame; with --slow instead, the first frame of a first and a
# second visit and after "Start again" over a slow link (400 ms, 400 kbit/s). With
# --on-page, the program runs on the page, as where a browser cannot hand a canvas over.
# Beside it (but for --slow), the native program's whole first frame on a private X
# display in the same sitting (tools/measure_display.sh: process start, display, picture,
# light map, first frame), and a page's worker of one line.
#   tools/measure_web.sh [--on-page] [paris|morph|morphose] [SECONDS] [RUNS]
#   tools/measure_web.sh --slow [--on-page] [paris|morph|morphose] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset web >/dev/null
cmake --build --preset web -j"$(nproc)" --target site >/dev/null
if [ "${1:-}" != --slow ]; then
  positional=("$@")
  [ "${1:-}" = --on-page ] && positional=("${@:2}")
  name=${positional[0]:-paris} runs=${positional[2]:-3}
  cmake --preset native >/dev/null
  cmake --build --preset native -j"$(nproc)" --target "bump-$name" >/dev/null
  echo "native: $(tools/measure_display.sh "build/native/bin/bump-$name" 1 "$runs" |
    sed -n 's/^run \([0-9]*\): first frame \([0-9]*\) ms.*/\2/p' | xargs | sed 's/ / ms, /g') ms" \
    "from the process's start to its first frame"
fi
exec node tools/measure_web.mjs "$@"
