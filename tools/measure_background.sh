#!/bin/bash
# Measures bump-paris (a native build's, or a Windows build's under Wine) in front and in
# the background on a private 800 x 600 x 24 X display: its CPU (all threads) while it
# has the focus and while another window has it, and its frames per second in front and
# after it comes back, by running the end-to-end test tests/e2e/background_on_display.sh
# with SECONDS for each stretch. A Windows executable comes back through its build's
# bring-to-front.exe, as a task bar would bring it.
#   tools/measure_background.sh [EXECUTABLE] [SECONDS] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
executable=$(realpath "${1:-build/native/bin/bump-paris}")
export SECONDS_EACH=${2:-10} MAX_PERCENT=100
runs=${3:-1}
windows=()
case $executable in
  *.exe) windows=("$PWD/tools/wine-run.sh" "$(dirname "$executable")/../tests/bring-to-front.exe") ;;
esac
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT
for run in $(seq "$runs"); do
  tests/e2e/background_on_display.sh "$executable" Paris.pcx demo/Paris.pcx \
    build/native/tests/check-screenshot "$shots" "${windows[@]}" | tail -n 1
done
