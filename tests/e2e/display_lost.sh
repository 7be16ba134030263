#!/bin/bash
# Runs a native program on a private X display until it shows a frame, then ends the X
# server under it, as when a session ends or a forwarded display drops: the program must
# end within a second with exit code 1, saying that its display was lost, and spend no
# processor time afterwards.
#   display_lost.sh EXECUTABLE FILE...   (the files it needs beside it)
set -u
executable=$1
shift
source "$(dirname "$0")/private_display.sh"
source "$(dirname "$0")/frame_check.sh"
cp "$executable" "$@" "$dir/" || fail "cannot copy the program"
(cd "$dir" && exec "$dir/$name") >"$dir/output" 2>&1 &
program_pid=$!

# The first frame: anything on the screen that is not black.
wait_for_frame "" 'maxima>0'

kill "$xvfb_pid"
wait "$xvfb_pid" 2>/dev/null
xvfb_pid=
for _ in $(seq 10); do
  kill -0 "$program_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$program_pid" 2>/dev/null; then
  # Its processor time over a second, in clock ticks (user and system).
  ticks() { awk '{print $14 + $15}' "/proc/$program_pid/stat"; }
  before=$(ticks)
  sleep 1
  fail "still running a second after its display went, using $(($(ticks) - before)) clock ticks in the next second: $(cat "$dir/output")"
fi
wait "$program_pid"
status=$?
program_pid=
[ "$status" -eq 1 ] || fail "exit code $status: $(cat "$dir/output")"
grep -q "^$name: the display was lost (the connection to the X server broke); ending$" \
  "$dir/output" || fail "printed: $(cat "$dir/output")"
echo "ok: $name ended with exit code 1 within a second of its display's end, saying so"
