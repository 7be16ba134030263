#!/bin/bash
# A delivered executable, copied alone into a fresh directory without a display, runs its
# start-up and shutdown and exits 0, leaving an empty picture file beside itself; with its
# picture present it runs the same and leaves the picture as it was. The program prints
# nothing; a native one's display layer says on standard error why it shows nothing.
#   deliverable_runs.sh EXECUTABLE PICTURE-NAME PICTURE-SOURCE [RUNNER]
set -u
executable=$1 picture=$2 source=$3 runner=${4:-}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cp "$executable" "$dir/" || fail "no executable $executable"
program="$dir/$(basename "$executable")"
expected=
[ -n "$runner" ] || expected="$(basename "$executable"): no display: DISPLAY is not set"

output=$(cd / && timeout 60 $runner "$program" 2>&1)
status=$?
[ $status -eq 0 ] || fail "exit code $status without the picture"
[ "$output" = "$expected" ] || fail "printed: $output"
[ -f "$dir/$picture" ] || fail "no $picture appeared beside the executable"
[ ! -s "$dir/$picture" ] || fail "$picture is not empty"

cp "$source" "$dir/$picture"
output=$(cd / && timeout 60 $runner "$program" 2>&1)
status=$?
[ $status -eq 0 ] || fail "exit code $status with the picture"
[ "$output" = "$expected" ] || fail "printed: $output"
cmp -s "$source" "$dir/$picture" || fail "$picture was changed"
echo "ok: $(basename "$executable") exits 0, printing only '$expected', with and without $picture"
