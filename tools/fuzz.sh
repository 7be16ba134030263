#!/bin/bash
# Builds the fuzz targets and runs each until a million inputs or the time given
# (seconds, 900 unless told), two at a time, over the corpora the tests grow in
# build/fuzz/tests/fuzz/corpus/. Logs go to build/fuzz/logs/; the summary gives each
# target's inputs run, seconds, and the coverage reached (edges, features, corpus).
#   tools/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-900}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] ||
  targets=(picture sprite_file sprite_memory file_readers palette command_line)

tools/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)" >/dev/null
fuzz=build/fuzz/tests/fuzz
mkdir -p build/fuzz/logs
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run() {
  local target=$1 log=build/fuzz/logs/$1.log start=$SECONDS
  tests/fuzz/run_target.sh "$fuzz/${target}_fuzz" "$fuzz/seeds/$target" "$fuzz/corpus/$target" \
    -runs=1000000 -max_total_time="$seconds" >"$log" 2>&1 ||
    echo "FINDING in $target: see $log"
  echo "elapsed_seconds: $((SECONDS - start))" >>"$log"
}
export -f run
export seconds fuzz
printf '%s\n' "${targets[@]}" | xargs -P 2 -I{} bash -c 'run {}'

status=0
for target in "${targets[@]}"; do
  log=build/fuzz/logs/$target.log
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  elapsed=$(sed -n 's/^elapsed_seconds: *//p' "$log")
  done_line=$(grep -E '^#[0-9]+.*DONE' "$log" | tail -1 || true)
  if [ -z "$done_line" ]; then
    status=1
    echo "$target: no clean end (finding or crash), see $log"
    continue
  fi
  cov=$(sed -E 's/.*cov: ([0-9]+) ft: ([0-9]+) corp: ([0-9]+).*/\1 edges, \2 features, \3 inputs/' <<<"$done_line")
  echo "$target: $runs inputs in $elapsed s ($rate/s), coverage $cov"
done
exit $status
