#!/bin/bash
# A delivered executable, copied alone into a fresh directory, runs its start-up and
# shutdown, prints nothing and exits 0, leaving an empty picture file beside itself; with
# its picture present it runs the same and leaves the picture as it was.
#   deliverable_runs.sh EXECUTABLE PICTURE-NAME PICTURE-SOURCE [RUNNER]
set -u
executable=$1 picture=$2 source=$3 runner=${4:-}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cp "$executable" "$dir/" || fail "no executable $executable"
program="$dir/$(basename "$executable")"

output=$(cd / && timeout 60 $runner "$program" 2>&1)
status=$?
[ $status -eq 0 ] || fail "exit code $status without the picture"
[ -z "$output" ] || fail "printed: $output"
[ -f "$dir/$picture" ] || fail "no $picture appeared beside the executable"
[ ! -s "$dir/$picture" ] || fail "$picture is not empty"

cp "$source" "$dir/$picture"
output=$(cd / && timeout 60 $runner "$program" 2>&1)
status=$?
[ $status -eq 0 ] || fail "exit code $status with the picture"
[ -z "$output" ] || fail "printed: $output"
cmp -s "$source" "$dir/$picture" || fail "$picture was changed"
echo "ok: $(basename "$executable") exits 0 silently, with and without $picture"
