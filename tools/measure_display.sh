#!/bin/bash
# Measures a delivered native executable on a private 800 x 600 x 24 X display and prints
# the time from its start to its first presented frame, its frames per second and the
# CPU time (user and system, all threads) it takes per presented frame over a steady
# stretch after a warm-up. The display counts presents in STANDIN_PRESENT_COUNT_FILE,
# which it rewrites after each one: that costs a few microseconds a frame, counted in.
#   tools/measure_display.sh [EXECUTABLE] [SECONDS] [RUNS]
# Limits: native executables only (the count comes from our display); CPU times come in
# the kernel's clock ticks, so a stretch shorter than a few seconds is coarse.
set -euo pipefail
cd "$(dirname "$0")/.."
executable=$(realpath "${1:-build/native/bin/bump-paris}")
seconds=${2:-10}
runs=${3:-3}
warmup=2

dir=$(mktemp -d)
program_pid=
xvfb_pid=
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3>"$dir/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
[ -s "$dir/display" ] || { echo "no X display" >&2; exit 1; }
export DISPLAY=":$(cat "$dir/display")"
unset XAUTHORITY WAYLAND_DISPLAY SDL_VIDEODRIVER
ticks_per_second=$(getconf CLK_TCK)

# Waits a millisecond without starting a process, which would take the processor from
# the program being timed: a read from a pipe that nobody writes.
mkfifo "$dir/never"
exec 9<>"$dir/never"
pause() { read -r -t "$1" -u 9 || true; }

# The count file is rewritten after every present; a read may find it empty.
presents() {
  local count=""
  while [ -z "$count" ]; do count=$(cat "$dir/count" 2>/dev/null || true); done
  echo "$count"
}
cpu_ticks() { awk '{print $14 + $15}' "/proc/$program_pid/stat"; }

echo "$(basename "$executable") on an 800 x 600 x 24 Xvfb, $seconds s after $warmup s, $runs runs"
for run in $(seq "$runs"); do
  rm -f "$dir/count"
  start=${EPOCHREALTIME/./}
  STANDIN_PRESENT_COUNT_FILE="$dir/count" "$executable" >/dev/null 2>&1 &
  program_pid=$!
  until [ -s "$dir/count" ]; do
    kill -0 "$program_pid" 2>/dev/null || { echo "ended before a frame" >&2; exit 1; }
    pause 0.001
  done
  first=${EPOCHREALTIME/./}
  sleep "$warmup"
  frames1=$(presents) cpu1=$(cpu_ticks) time1=${EPOCHREALTIME/./}
  sleep "$seconds"
  frames2=$(presents) cpu2=$(cpu_ticks) time2=${EPOCHREALTIME/./}
  # Held for a moment: the program reads the keyboard once a frame.
  xdotool keydown space
  sleep 0.2
  xdotool keyup space
  for _ in $(seq 50); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
  kill "$program_pid" 2>/dev/null && echo "run $run: still running after a key press; ended" >&2
  wait "$program_pid" || true
  program_pid=
  awk -v run="$run" -v first=$((first - start)) -v frames=$((frames2 - frames1)) \
      -v cpu=$((cpu2 - cpu1)) -v hz="$ticks_per_second" -v elapsed=$((time2 - time1)) 'BEGIN {
    printf "run %d: first frame %.0f ms, %.1f frames/s, %.2f ms CPU per frame (%.1f %% of a core)\n",
           run, first / 1e3, frames / (elapsed / 1e6), cpu / hz * 1000 / frames,
           100 * cpu / hz / (elapsed / 1e6)
  }'
done
