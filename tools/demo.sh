#!/bin/bash
# Sets up the machine, builds the native demonstration and runs it full screen; any key
# ends it. Without a display it runs on a private one instead and saves a screenshot of
# what it shows to build/demo-screenshot.png.
#   tools/demo.sh [paris|morph|morphose|sprite-garden|palette-cycle]
# The examples sprite-garden and palette-cycle run the same way; without a display
# sprite-garden is given a few moves and clicks of a scripted mouse before the screenshot.
# In a web browser instead: builds the web site and serves it on 127.0.0.1, printing its
# address, and opens its front page (or the program's page when NAME is given) in the
# desktop's browser; without a desktop it shows the front page and then the program in
# headless Chromium, saving screenshots to build/demo-web-index.png and
# build/demo-web-screenshot.png.
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
  name=${2:-}
  tools/setup.sh
  cmake --preset web >/dev/null
  cmake --build --preset web -j"$(nproc)"
  coproc server { exec node web/serve.mjs build/web/bin; }
  trap 'kill $server_PID 2>/dev/null' EXIT
  read -r address <&"${server[0]}"
  url=$address
  [ -n "$name" ] && url="${address}$(program_of "$name").html"
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 && command -v xdg-open >/dev/null; then
    echo "The site is served at $address; opening $url in the desktop's browser. Ctrl+C stops the server."
    xdg-open "$url"
    wait "$server_PID"
    exit 0
  fi
  program=$(program_of "${name:-paris}")
  echo "The site is served at $address"
  node tools/demo_web.mjs "$address" "$program" build/demo-web-index.png \
    build/demo-web-screenshot.png
  echo "No desktop here: the site ran in headless Chromium; its front page is in"
  echo "build/demo-web-index.png, what $program showed in build/demo-web-screenshot.png."
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
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp -noreset >/dev/null 2>&1 &
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
