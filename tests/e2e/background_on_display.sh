#!/bin/bash
# A delivered executable in the background, as a person puts it there: on a private X
# display it shows its frame; another window takes the focus; the program comes back to
# the front. It measures the program's CPU (all its threads, user and system) in front
# and in the background, over $SECONDS each (three unless told), and its frames per
# second (natively from the display's count of presents, under Wine from Wine's trace of
# each Flip), and requires that the background costs at most $MAX_PERCENT of a core (five
# unless told), that the frame after coming back is exact, and that a key then ends the
# program with exit code 0. A Windows program comes back as a click on its task bar
# button brings it (BRING-TO-FRONT, run by RUNNER: there is no task bar under Wine here);
# a native one as the desktop gives its window the focus again.
#   background_on_display.sh EXECUTABLE PICTURE-NAME PICTURE-SOURCE CHECKER SHOTS-DIR
#                            [RUNNER BRING-TO-FRONT]
# Prints one line of figures; tools/measure_background.sh runs it for the README's.
set -u
executable=$1 picture=$2 source=$3 checker=$4 shots=$5 runner=${6:-} front_tool=${7:-}
seconds=${SECONDS_EACH:-3} max_percent=${MAX_PERCENT:-5}
source "$(dirname "$0")/private_display.sh"
source "$(dirname "$0")/frame_check.sh"
place_program
if [ -n "$runner" ]; then
  (cd "$dir" && WINEDEBUG=-all,trace+ddraw exec $runner "$dir/$name") >/dev/null 2>"$dir/trace" &
else
  (cd "$dir" && STANDIN_PRESENT_COUNT_FILE="$dir/count" exec "$dir/$name") >"$dir/output" 2>&1 &
fi
program_pid=$!
: >"$dir/output"

# The program's own process: under Wine not the script that started it.
process=$program_pid
wait_for_frame
if [ -n "$runner" ]; then
  process=
  for candidate in $(pgrep -f "$dir/$name" || true); do
    case $(cat "/proc/$candidate/comm" 2>/dev/null) in bash | sh | "") ;; *) process=$candidate ;; esac
  done
  [ -n "$process" ] || fail "cannot find the program's process"
fi
ticks() { awk '{print $14 + $15}' "/proc/$process/stat"; }
frames() {
  if [ -n "$runner" ]; then
    grep -c 'ddraw_surface7_Flip' "$dir/trace" || true
  else
    # The count file is rewritten after every present; a read may find it empty.
    local count=""
    while [ -z "$count" ]; do count=$(cat "$dir/count" 2>/dev/null || true); done
    echo "$count"
  fi
}
hz=$(getconf CLK_TCK)
# Percent of a core over $seconds, and the frames presented meanwhile, into $percent and
# $rate.
measure() {
  local ticks1 ticks2 frames1 frames2 time1 time2
  ticks1=$(ticks) frames1=$(frames) time1=${EPOCHREALTIME/./}
  sleep "$seconds"
  ticks2=$(ticks) frames2=$(frames) time2=${EPOCHREALTIME/./}
  percent=$(awk -v t=$((ticks2 - ticks1)) -v hz="$hz" -v us=$((time2 - time1)) \
    'BEGIN { printf "%.1f", 100 * t / hz / (us / 1e6) }')
  rate=$(awk -v f=$((frames2 - frames1)) -v us=$((time2 - time1)) \
    'BEGIN { printf "%.1f", f / (us / 1e6) }')
}

# The program has the focus, as a window manager gives it to the window shown last.
program_window=$(xdotool search --onlyvisible --pid "$process" | head -n 1)
[ -n "$program_window" ] || fail "the program has no window"
xdotool windowfocus --sync "$program_window"
sleep 2
measure
front=$percent front_rate=$rate

# Another window takes the focus, as a click on it or Alt+Tab gives it.
xmessage -geometry 300x80+250+260 "another window" 2>/dev/null &
other_pid=$!
other=$(xdotool search --sync --class Xmessage | head -n 1)
xdotool windowfocus --sync "$other"
sleep 1
measure
back=$percent back_rate=$rate

# And back to the program; then the other window goes (while it still had the focus, its
# end would give the focus back to whatever the pointer is over).
if [ -n "$runner" ]; then
  $runner "$front_tool" || fail "cannot bring the program to the front"
else
  xdotool windowfocus --sync "$program_window"
fi
sleep 1
kill "$other_pid"
wait "$other_pid" 2>/dev/null
measure
again_rate=$rate
shot="$shots/${name%.exe}${runner:+-wine}-back.png"
SCREENSHOT_DELAY=0 check_frame_and_key "$shot" "$dir/$picture" "$checker"
awk -v b="$back" -v m="$max_percent" 'BEGIN { exit !(b <= m) }' ||
  fail "in the background it took $back % of a core (at most $max_percent %)"
echo "ok: $name: in front $front % of a core at $front_rate frames/s; in the background" \
  "$back % at $back_rate frames/s; back in front $again_rate frames/s, the frame exact" \
  "($shot), and a key ended it"
