#!/bin/bash
# Checks what keeps the tree readable: every tracked C++ source formatted as .clang-format
# says, each library in the folder of its name, and no cycle among the build's targets, for
# each configured preset named (native, win32 and win64 by default). Exit 1 naming what is
# wrong.
#   tools/check-structure.sh [PRESET...]
set -euo pipefail
cd "$(dirname "$0")/.."

echo "format: clang-format --dry-run --Werror over the tracked sources"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

status=0
# The folders show the layers: each library is the target of the folder of its name.
echo "layers: each library declared in the folder of its name"
for library in runtime file sprite_table screen palette sprite input startup demo; do
  if ! grep -q "^add_library($library " "$library/CMakeLists.txt" 2>/dev/null; then
    echo "$library is not declared in $library/CMakeLists.txt"
    status=1
  fi
done

for preset in "${@:-native win32 win64}"; do
  for name in $preset; do
    graph="build/$name/targets.dot"
    cmake --preset "$name" --graphviz="$graph" >/dev/null
    # A depth-first search over the dependency edges; a back edge is a cycle.
    python3 - "$graph" "$name" <<'PY' || status=1
import re, sys
path, preset = sys.argv[1], sys.argv[2]
labels, edges = {}, {}
for line in open(path):
    node = re.match(r'\s*"(node\d+)" \[ label = "([^"]+)"', line)
    if node:
        labels[node.group(1)] = node.group(2)
    edge = re.match(r'\s*"(node\d+)" -> "(node\d+)"', line)
    # An executable's edge to itself (its post-build test discovery) is no cycle.
    if edge and edge.group(1) != edge.group(2):
        edges.setdefault(edge.group(1), []).append(edge.group(2))
state, trail = {}, []
def visit(node):
    state[node] = 1
    trail.append(node)
    for next_node in edges.get(node, []):
        if state.get(next_node) == 1:
            cycle = trail[trail.index(next_node):] + [next_node]
            sys.exit(f"{preset}: a cycle among the targets: " + " -> ".join(labels[n] for n in cycle))
        if next_node not in state:
            visit(next_node)
    trail.pop()
    state[node] = 2
sys.setrecursionlimit(10000)
for node in labels:
    if node not in state:
        visit(node)
print(f"{preset}: {len(labels)} targets, no cycle")
PY
  done
done
exit $status
