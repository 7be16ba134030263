#!/bin/bash
# Sets up the machine, builds the native demonstration and runs it.
#   tools/demo.sh [paris|morph|morphose]
set -euo pipefail
cd "$(dirname "$0")/.."
name=${1:-paris}

tools/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native -j"$(nproc)" --target "bump-$name"
build/native/bin/"bump-$name"
echo "bump-$name ended with exit code $?"
