#!/bin/bash
# Measures a Windows deliverable under Wine on a private 800 x 600 x 24 X display: the
# frames it flips per second and the CPU time (user and system) it takes per frame, all of
# its threads and its own main thread apart (Wine's 3D threads work beside it, and its
# command-stream thread spins while it waits), over a steady stretch after a warm-up. Wine's DirectDraw
# traces each call to Flip, and the trace's lines are counted: the tracing costs a little
# time per frame, counted in.
#   tools/measure_wine.sh EXECUTABLE.exe [SECONDS] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
executable=$(realpath "$1")
seconds=${2:-5}
runs=${3:-3}
warmup=3

root=$PWD
dir=$(mktemp -d)
xvfb_pid=
cleanup() {
  pkill -f "$(basename "$executable")" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3>"$dir/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
[ -s "$dir/display" ] || { echo "no X display" >&2; exit 1; }
export DISPLAY=":$(cat "$dir/display")"
ticks_per_second=$(getconf CLK_TCK)
flips() { grep -c 'ddraw_surface7_Flip' "$dir/trace" || true; }

echo "$(basename "$executable") under Wine on an 800 x 600 x 24 Xvfb, $seconds s after" \
  "$warmup s, $runs runs"
for run in $(seq "$runs"); do
  : >"$dir/trace"
  # The program's folder is its working folder, as a double-click makes it.
  (cd "$(dirname "$executable")" &&
    WINEDEBUG=-all,trace+ddraw exec "$root/tools/wine-run.sh" "$executable") 2>"$dir/trace" &
  runner=$!
  sleep "$warmup"
  # The program's own process, not the script that started it.
  pid=
  for candidate in $(pgrep -f "$(basename "$executable")" || true); do
    case $(cat "/proc/$candidate/comm" 2>/dev/null) in bash | sleep | "") ;; *) pid=$candidate ;; esac
  done
  [ -n "$pid" ] || { echo "the program did not start" >&2; exit 1; }
  ticks() { awk '{print $14 + $15}' "$1"; }
  first_flips=$(flips) start=${EPOCHREALTIME/./}
  first_ticks=$(ticks "/proc/$pid/stat") first_main=$(ticks "/proc/$pid/task/$pid/stat")
  sleep "$seconds"
  last_flips=$(flips) end=${EPOCHREALTIME/./}
  last_ticks=$(ticks "/proc/$pid/stat") last_main=$(ticks "/proc/$pid/task/$pid/stat")
  # Held for a moment, as a finger holds it: the keyboard is read once per frame.
  xdotool keydown space
  sleep 0.2
  xdotool keyup space
  wait "$runner" || true
  awk -v frames=$((last_flips - first_flips)) -v ticks=$((last_ticks - first_ticks)) \
    -v main=$((last_main - first_main)) -v hz="$ticks_per_second" -v us=$((end - start)) \
    -v run="$run" 'BEGIN {
      printf "run %d: %.1f frames/s, CPU %.2f ms per frame (%.0f%% of a core), of it the" \
        " main thread %.2f ms (%.0f%%)\n", run, frames / (us / 1e6),
        frames ? ticks * 1000 / hz / frames : 0, ticks * 100 / hz / (us / 1e6),
        frames ? main * 1000 / hz / frames : 0, main * 100 / hz / (us / 1e6)
    }'
done
