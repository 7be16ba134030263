#!/bin/bash
# Runs an example program on a private X display as a person would, with a real mouse and
# keyboard, and checks its screenshots against its bitmaps (CHECKER is check-examples):
# - sprite-garden: the flower follows the pointer, moved by hand, and is transparent where
#   it is black; a click drops a copy that stays where it was; a turn of the wheel makes
#   the sprite at the pointer the bee. The first move places the pointer (as a tablet, a
#   touch screen, a remote desktop or a virtual machine's pointer does), the second moves
#   it (as a mouse does): the program's mouse follows both;
# - palette-cycle: two screenshots some frames apart show the same picture with its
#   palette rotated, and nothing else changed.
# Then a key, and the program must end within two seconds with exit code 0, silent.
#   examples_on_display.sh EXECUTABLE BITMAPS-DIR CHECKER SHOTS-DIR [RUNNER]
set -u
executable=$1 bitmaps=$2 checker=$3 shots=$4 runner=${5:-}
source "$(dirname "$0")/private_display.sh"
program=${name%.exe}
suffix=$([ -n "$runner" ] && echo -wine)
mkdir -p "$shots"
cp "$executable" "$bitmaps"/*.bmp "$dir/" || fail "cannot copy the program"
(cd "$dir" && exec $runner "$dir/$name") >"$dir/output" 2>&1 &
program_pid=$!

# A screenshot as raw RGB, $dir/NAME.rgb; kept as a PNG in SHOTS-DIR once the test is done.
shot() { import -window root -depth 8 "rgb:$dir/$1.rgb" 2>/dev/null; }
keep_shots() {
  local raw
  for raw in "$dir"/*.rgb; do
    convert -size 800x600 -depth 8 "rgb:$raw" "$shots/$program$suffix-$(basename "$raw" .rgb).png"
  done
}
# Waits for the first frame: the pixel at the top left is drawn (the lawn, the spiral).
for _ in $(seq 300); do
  kill -0 "$program_pid" 2>/dev/null || fail "ended before showing a frame: $(cat "$dir/output")"
  shot first && [ "$(head -c 3 "$dir/first.rgb" | od -An -tu1 | tr -d ' ')" != 000 ] && break
  sleep 0.1
done
[ -s "$dir/first.rgb" ] || fail "showed no frame"
sleep 0.5

# Takes screenshots and checks them until the check passes (a screenshot may catch a
# frame being presented, or the program not yet at the last input), four tries.
#   shots_until CHECK-FUNCTION SHOT-NAME...
shots_until() {
  local check=$1 attempt
  shift
  for attempt in 1 2 3 4; do
    for shotname in "$@"; do shot "$shotname" || fail "no screenshot"; sleep 0.3; done
    $check && return 0
    sleep 0.5
  done
  keep_shots
  fail "$($check)"
}

case $program in
  sprite-garden)
    # The sprite starts at the screen's centre; the pointer moves by hand from there. A
    # full-screen program's mouse brings the pointer back to the centre after each move, so
    # a move to a place is a motion from the centre.
    check() { "$checker" sprite "$dir/$1.rgb" "$dir/$2.rgb" "$dir/$3" "$4" "$5"; }
    shot start || fail "no screenshot"
    xdotool mousemove 600 400
    start_and_moved() { check start moved flower.bmp 400 300 && check moved start flower.bmp 600 400; }
    shots_until start_and_moved moved
    # A click as a finger makes it, held for a few frames; a step of the wheel away.
    xdotool mousedown 1; sleep 0.2; xdotool mouseup 1; sleep 0.2
    xdotool click 4
    xdotool mousemove_relative -- -300 -200
    dropped_and_changed() { check after start flower.bmp 600 400 && check after start bee.bmp 300 200; }
    shots_until dropped_and_changed after
    ;;
  palette-cycle)
    rotated() { "$checker" cycle "$dir/one.rgb" "$dir/two.rgb" "$dir/cycle.bmp"; }
    shots_until rotated one two
    ;;
  *) fail "no test for $program" ;;
esac

keep_shots
press_space_and_wait 18
[ "$status" -eq 0 ] || fail "exit code $status"
if [ -s "$dir/output" ]; then fail "printed: $(cat "$dir/output")"; fi
echo "ok: $name behaved under the mouse and the keyboard (screenshots $shots/$program$suffix-*.png) and ended with exit code 0 on a key"
