#!/bin/bash
# Runs a delivered executable of the sanitizer build on a private X display with leak
# detection on: lets it present a few hundred frames (as the stand-in's display counts
# them), presses a real key and requires exit code 0, nothing printed and no sanitizer
# report.
#   leak_run.sh EXECUTABLE PICTURE-NAME PICTURE-SOURCE SUPPRESSIONS [FRAMES]
set -u
executable=$1 picture=$2 source=$3 suppressions=$4 frames=${5:-300}
source "$(dirname "$0")/private_display.sh"
place_program

# Sanitizer reports go to files of their own. SDL's GL renderer loads the
# GL driver, which SDL unloads again before the leak check: what the driver held then has
# no library left to be told apart by, so this run takes SDL's software renderer; the
# program and the stand-in run as always.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:log_path=$dir/report"
export LSAN_OPTIONS="suppressions=$suppressions:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$dir/report"
export SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0
export STANDIN_PRESENT_COUNT_FILE="$dir/presents"
(cd "$dir" && exec "$dir/$(basename "$executable")") >"$dir/output" 2>&1 &
program_pid=$!

presents() { local count; count=$(cat "$dir/presents" 2>/dev/null); echo "${count:-0}"; }
start=$SECONDS
while [ "$(presents)" -lt "$frames" ]; do
  kill -0 "$program_pid" 2>/dev/null || fail "ended after $(presents) frames: $(cat "$dir/output")"
  [ $((SECONDS - start)) -lt 120 ] || fail "only $(presents) frames in two minutes"
  sleep 0.2
done

# The leak check at the end takes its time under the sanitizers.
press_space_and_wait 300
shown=$(presents)
for report in "$dir"/report.*; do
  [ -e "$report" ] && fail "sanitizer report: $(cat "$report")"
done
[ $status -eq 0 ] || fail "exit code $status: $(cat "$dir/output")"
[ -s "$dir/output" ] && fail "printed: $(cat "$dir/output")"
[ "$shown" -ge "$frames" ] || fail "only $shown frames presented"
echo "ok: $name presented $shown frames and ended with exit code 0 on a key, with no leak" \
  "and no sanitizer report"
