#!/bin/bash
# Sets up the machine, builds the native demonstration and runs it full screen; any key
# ends it. Without a display it runs on a private one instead and saves a screenshot of
# what it shows to build/demo-screenshot.png.
#   tools/demo.sh [paris|morph|morphose]
set -euo pipefail
cd "$(dirname "$0")/.."
name=${1:-paris}

tools/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native -j"$(nproc)" --target "bump-$name"
program=build/native/bin/bump-$name

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  status=0
  "$program" || status=$?
  echo "bump-$name ended with exit code $status"
  exit 0
fi

display=":$((90 + RANDOM % 400))"
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
"$program" &
demo=$!
sleep 12
import -window root build/demo-screenshot.png
xdotool keydown space
sleep 0.2
xdotool keyup space
status=0
wait "$demo" || status=$?
echo "No display here: bump-$name ran on a private one; what it showed is in build/demo-screenshot.png."
echo "bump-$name ended with exit code $status after a key press"
