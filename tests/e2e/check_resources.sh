#!/bin/bash
# A Windows program carries what Windows shows of it: the project's icon at 16, 32, 48
# and 256 pixels (the pictures of ICON, as packaging/icons/bump.ico holds them), version
# information with the product, the program's description, the project's version and the
# copyright, and an application manifest that runs it as the user who starts it, declares
# it DPI-aware (PerMonitorV2, and dpiAware for older Windows) and declares no Windows
# version in a compatibility section, which would cost the 8-bit screen.
#   check_resources.sh EXECUTABLE "DESCRIPTION" VERSION ICON
set -u
fail() { echo "FAIL: $(basename "$1"): ${*:2}"; exit 1; }
[ $# -eq 4 ] || { echo "usage: check_resources.sh EXECUTABLE DESCRIPTION VERSION ICON"; exit 2; }
executable=$1 description=$2 version=$3 icon=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

wrestool -x --raw --type=24 --name=1 "$executable" >"$work/manifest" 2>/dev/null
[ -s "$work/manifest" ] || fail "$executable" "no application manifest (resource 1 of type 24)"
python3 - "$work/manifest" <<'EOF' || fail "$executable" "manifest"
import sys
import xml.etree.ElementTree as tree

root = tree.parse(sys.argv[1]).getroot()
def named(local):
    return [e for e in root.iter() if e.tag.rsplit("}", 1)[-1] == local]
def need(condition, why):
    if not condition:
        print(why)
        sys.exit(1)
levels = [e.get("level") for e in named("requestedExecutionLevel")]
need(levels == ["asInvoker"], f"execution level {levels}, not asInvoker")
aware = [(e.text or "").strip() for e in named("dpiAware")]
need(aware == ["true/pm"], f"dpiAware {aware}")
awareness = [(e.text or "").strip() for e in named("dpiAwareness")]
need(awareness and awareness[0].startswith("PerMonitorV2"), f"dpiAwareness {awareness}")
need(not named("compatibility") and not named("supportedOS"),
     "a compatibility section: Windows 8 and later refuse 8-bit modes to such programs")
EOF

wrestool -x --type=group_icon "$executable" >"$work/carried.ico" 2>/dev/null
[ -s "$work/carried.ico" ] || fail "$executable" "no icon"
sizes=$(icotool -l "$work/carried.ico" | sed -n 's/.*--width=\([0-9]*\).*/\1/p' | sort -n | xargs)
[ "$sizes" = "16 32 48 256" ] || fail "$executable" "icon sizes: $sizes"
mkdir "$work/carried" "$work/expected"
icotool -x -o "$work/carried" "$work/carried.ico" && icotool -x -o "$work/expected" "$icon" ||
  fail "$executable" "icon pictures"
for picture in "$work"/expected/*; do
  cmp -s "$picture" "$work/carried/$(basename "$picture" | sed 's/^[^_]*_/carried_/')" ||
    fail "$executable" "icon $(basename "$picture") is not the project's"
done

wrestool -x --raw --type=version "$executable" >"$work/version" 2>/dev/null
[ -s "$work/version" ] || fail "$executable" "no version information"
python3 - "$work/version" "$description" "$version" "$(basename "$executable")" <<'EOF' ||
import sys

text = open(sys.argv[1], "rb").read().decode("utf-16-le", "replace")
wanted = {"ProductName": "bump", "FileDescription": sys.argv[2], "FileVersion": sys.argv[3],
          "ProductVersion": sys.argv[3], "OriginalFilename": sys.argv[4]}
for key, value in wanted.items():
    if f"{key}\0{value}\0" not in text.replace("\0\0", "\0"):
        print(f"{key} is not {value!r}")
        sys.exit(1)
if "LegalCopyright\0Copyright" not in text.replace("\0\0", "\0"):
    print("no copyright")
    sys.exit(1)
EOF
  fail "$executable" "version information"
echo "ok: $(basename "$executable") carries its manifest, the icon at $sizes px and version $version ($description)"
