#!/bin/bash
# Runs a delivered executable on a private X display as a person would: natively, finds
# its window by the program's name (its title is empty); waits for its first frame, then
# ten seconds more, takes a screenshot and checks it against our own
# shading of the picture, presses a real key and requires the program to end with exit
# code 0 within two seconds.
#   demo_on_display.sh EXECUTABLE PICTURE-NAME PICTURE-SOURCE CHECKER SHOTS-DIR [RUNNER]
set -u
executable=$1 picture=$2 source=$3 checker=$4 shots=$5 runner=${6:-}
source "$(dirname "$0")/private_display.sh"
source "$(dirname "$0")/frame_check.sh"
place_program
(cd "$dir" && exec $runner "$dir/$(basename "$executable")") >"$dir/output" 2>&1 &
program_pid=$!

# Under Wine the shot is named after the build: -wine (32-bit) or -wine64.
suffix=
if [ -n "$runner" ]; then
  suffix=-wine
  file -b "$executable" | grep -q '^PE32+' && suffix=-wine64
fi
shot="$shots/${name%.exe}$suffix.png"
if [ -z "$runner" ]; then
  for _ in $(seq 300); do
    kill -0 "$program_pid" 2>/dev/null || fail "ended before showing its window: $(cat "$dir/output")"
    xdotool search --name "^$name\$" >/dev/null && break
    sleep 0.1
  done
  xdotool search --name "^$name\$" >/dev/null || fail "no window is named $name"
fi
check_frame_and_key "$shot" "$dir/$picture" "$checker"
echo "ok: $name showed the frame ($shot) and ended with exit code 0 on a key"
