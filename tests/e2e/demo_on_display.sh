#!/bin/bash
# Runs a delivered executable on a private X display as a person would: waits for its
# first frame, then ten seconds more, takes a screenshot and checks it against our own
# shading of the picture, presses a real key and requires the program to end with exit
# code 0 within two seconds.
#   demo_on_display.sh EXECUTABLE PICTURE-NAME PICTURE-SOURCE CHECKER SHOTS-DIR [RUNNER]
set -u
executable=$1 picture=$2 source=$3 checker=$4 shots=$5 runner=${6:-}
source "$(dirname "$0")/private_display.sh"
(cd "$dir" && exec $runner "$dir/$(basename "$executable")") >"$dir/output" 2>&1 &
program_pid=$!

# The first frame is up once the shaded area holds a lit pixel.
mkdir -p "$shots"
shot="$shots/${name%.exe}$([ -n "$runner" ] && echo -wine).png"
for _ in $(seq 300); do
  kill -0 "$program_pid" 2>/dev/null || fail "ended before showing a frame: $(cat "$dir/output")"
  if import -window root "$dir/shot.png" 2>/dev/null &&
     [ "$(convert "$dir/shot.png" -crop 318x198+241+151 -format '%[fx:maxima.r>0]' info:)" = 1 ]; then
    break
  fi
  sleep 0.1
done
# Ten seconds on, the relief has settled at 1.0 and the light reaches far. A screenshot
# taken while a frame is being presented may hold parts of two; another is taken then.
sleep "${SCREENSHOT_DELAY:-10}"
for attempt in 1 2 3 4; do
  import -window root "$dir/shot.png" 2>/dev/null
  convert "$dir/shot.png" -depth 8 "rgb:$dir/shot.rgb" || fail "no screenshot"
  cp "$dir/shot.png" "$shot"
  [ "$(identify -format '%wx%h' "$shot")" = 800x600 ] || fail "screenshot is not 800 x 600"
  "$checker" "$dir/shot.rgb" "$dir/$picture" && break
  [ $attempt -lt 4 ] || fail "screenshot $shot does not show the frame"
  sleep 1
done

press_space_and_wait 18
[ $status -eq 0 ] || fail "exit code $status"
[ -s "$dir/output" ] && fail "printed: $(cat "$dir/output")"
echo "ok: $name showed the frame ($shot) and ended with exit code 0 on a key"
