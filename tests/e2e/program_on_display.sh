#!/bin/bash
# Runs a program that draws a known pattern on a private X display as a person would:
# waits for its first picture, takes screenshots until CHECK passes one (given the
# screenshot's raw RGB file as its last argument) or ten seconds have gone (a screenshot
# may catch two frames at once, or the system's own window before the program's), keeps
# the last as SHOT, presses a real key and requires the program to end with exit code 0
# within two seconds, having printed nothing. RUNNER (Wine's, say) is named by its full
# path.
#   program_on_display.sh EXECUTABLE SHOT [RUNNER] -- CHECK...
set -u
executable=$1 shot=$2
shift 2
runner=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do runner+=("$1"); shift; done
shift
check=("$@")
source "$(dirname "$0")/private_display.sh"
source "$(dirname "$0")/frame_check.sh"
chmod 755 "$dir"
cp "$executable" "$dir/" || fail "cannot copy the program"
(cd "$dir" && exec "${runner[@]}" "$dir/$name") >"$dir/output" 2>&1 &
program_pid=$!

# The first picture is up once the screen holds a pixel that is not black.
wait_for_frame "" 'maxima>0'
mkdir -p "$(dirname "$shot")"
for attempt in $(seq 20); do
  sleep 0.5
  import -window root "$dir/shot.png" 2>/dev/null
  convert "$dir/shot.png" -depth 8 "rgb:$dir/shot.rgb" || fail "no screenshot"
  cp "$dir/shot.png" "$shot"
  result=$("${check[@]}" "$dir/shot.rgb") && break
  [ "$attempt" -lt 20 ] || fail "screenshot $shot: $result"
done
press_space_and_wait 18
[ "$status" -eq 0 ] || fail "exit code $status"
if [ -s "$dir/output" ]; then fail "printed: $(cat "$dir/output")"; fi
echo "ok: $name: ${result#ok: } ($shot); it ended with exit code 0 on a key"
