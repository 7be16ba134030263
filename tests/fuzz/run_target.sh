#!/bin/bash
# Runs a fuzz target over its seeds and its own growing corpus, with a fixed seed for
# the random choices so that a run can be repeated; further arguments go to libFuzzer.
# A finding leaves its input as crash-*, leak-* or timeout-* in the corpus directory's
# parent and fails the run.
#   run_target.sh TARGET SEEDS CORPUS [LIBFUZZER-OPTIONS...]
set -euo pipefail
target=$(realpath "$1") seeds=$(realpath "$2") corpus=$(realpath -m "$3")
shift 3
mkdir -p "$corpus"
cd "$(dirname "$corpus")"
exec "$target" -seed=1 -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 "$@" "$corpus" "$seeds"
