#!/bin/bash
# Sets up the machine, builds the native demonstration and runs it full screen; any key
# ends it. Without a display it runs on a private one instead and saves a screenshot of
# what it shows to build/demo-screenshot.png.
#   tools/demo.sh [paris|morph|morphose|sprite-garden|palette-cycle]
# The examples sprite-garden and palette-cycle run the same way; without a display
# sprite-garden is given a few moves and clicks of a scripted mouse before the screenshot.
# In a web browser instead: builds the web page and serves it on 127.0.0.1, printing its
# address, and opens it in the desktop's browser; without a desktop it shows the page in
# headless Chromium and saves a screenshot to build/demo-web-screenshot.png.
#   tools/demo.sh web [paris|morph|morphose|sprite-garden|palette-cycle]
set -euo pipefail
cd "$(dirname "$0")/.."
name=${1:-paris}
# The deliverables' programs are bump-NAME; the examples go by their own names.
program_of() {
  case $1 in
    sprite-garden | palette-cycle) echo "$1" ;;
    *) echo "bump-$1" ;;
  esac
}

if [ "$name" = web ]; then
  name=$(program_of "${2:-paris}")
  tools/setup.sh
  cmake --preset web >/dev/null
  cmake --build --preset web -j"$(nproc)" --target "$name"
  coproc server { exec node web/serve.mjs build/web/bin; }
  trap 'kill $server_PID 2>/dev/null' EXIT
  read -r address <&"${server[0]}"
  url="${address}$name.html"
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 && command -v xdg-open >/dev/null; then
    echo "$name is served at $url; opening it in the desktop's browser. Ctrl+C stops the server."
    xdg-open "$url"
    wait "$server_PID"
    exit 0
  fi
  echo "$name is served at $url"
  node tools/demo_web.mjs "$url" build/demo-web-screenshot.png
  echo "No desktop here: the page ran in headless Chromium; what it showed is in build/demo-web-screenshot.png."
  exit 0
fi

name=$(program_of "$name")
tools/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native -j"$(nproc)" --target "$name"
program=build/native/bin/$name

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  status=0
  "$program" || status=$?
  echo "$name ended with exit code $status"
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
# The demonstration's relief settles within ten seconds; the examples show at once.
case $name in
  bump-*) sleep 12 ;;
  sprite-garden)
    sleep 2
    for move in "-150 -100" "60 40" "60 40" "60 40" "60 40"; do
      xdotool mousemove_relative -- $move
      xdotool mousedown 1 sleep 0.1 mouseup 1 click 4 sleep 0.2
    done
    sleep 1
    ;;
  *) sleep 3 ;;
esac
import -window root build/demo-screenshot.png
xdotool keydown space
sleep 0.2
xdotool keyup space
status=0
wait "$demo" || status=$?
echo "No display here: $name ran on a private one; what it showed is in build/demo-screenshot.png."
echo "$name ended with exit code $status after a key press"
