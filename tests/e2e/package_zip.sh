#!/bin/bash
# A Windows zip as its user meets it: it holds exactly the three programs, their
# pictures, the two examples with their bitmaps and README.txt. Unzipped into a fresh
# folder, each program and example is a GUI program of the zip's architecture
# (bump-*-win64.zip: 64-bit, bump-*-win32.zip: 32-bit) importing only what Windows ships;
# started in that folder, as a double-click starts it, it shows the frame of its picture
# on a private display (under RUNNER, Wine here), ends with exit code 0 on a key and leaves
# its picture as it was. Without a RUNNER (where this Wine cannot run) the programs are
# checked but not run, and it says so.
#   package_zip.sh ZIP PICTURES-DIR CHECKER SHOTS-DIR [RUNNER]
set -u
zip=$1 pictures=$2 checker=$3 shots=$4 runner=${5:-}
name=$(basename "$zip")
source "$(dirname "$0")/private_display.sh"
source "$(dirname "$0")/frame_check.sh"
programs=(bump-paris.exe:Paris.pcx bump-morph.exe:Morph.pcx bump-morphose.exe:morphose.pcx)
case $name in
  *-win64.zip) windows=win64 architecture=x86_64 kind=64-bit ;;
  *-win32.zip) windows=win32 architecture=i686 kind=32-bit ;;
  *) fail "neither a win64 nor a win32 zip" ;;
esac

examples_dir="$(dirname "$0")/../../examples"
examples=(sprite-garden.exe palette-cycle.exe)
bitmaps=(flower.bmp bee.bmp ladybird.bmp cycle.bmp)
expected=(README.txt bump-picture.exe "${examples[@]}" "${bitmaps[@]}")
for entry in "${programs[@]}"; do expected+=("${entry%%:*}" "${entry#*:}"); done
listed=$(unzip -Z1 "$zip" | sort)
[ "$listed" = "$(printf '%s\n' "${expected[@]}" | sort)" ] || fail "the zip holds: $listed"

folder="$dir/bump"
unzip -q "$zip" -d "$folder" || fail "cannot unzip"
for bitmap in "${bitmaps[@]}"; do
  cmp -s "$examples_dir/$bitmap" "$folder/$bitmap" || fail "$bitmap is not the examples' bitmap"
done
for example in "${examples[@]}"; do
  "$(dirname "$0")/check_imports.sh" "$folder/$example" "$architecture" >/dev/null ||
    fail "$("$(dirname "$0")/check_imports.sh" "$folder/$example" "$architecture")"
done
for entry in "${programs[@]}"; do
  program=${entry%%:*} picture=${entry#*:}
  cmp -s "$pictures/$picture" "$folder/$picture" || fail "$picture is not the program's picture"
  "$(dirname "$0")/check_imports.sh" "$folder/$program" "$architecture" >/dev/null ||
    fail "$("$(dirname "$0")/check_imports.sh" "$folder/$program" "$architecture")"
  [ -n "$runner" ] || continue
  (cd "$folder" && exec "$runner" "$folder/$program") >"$dir/output" 2>&1 &
  program_pid=$!
  check_frame_and_key "$shots/${program%.exe}-$windows-zip.png" "$folder/$picture" "$checker"
  cmp -s "$pictures/$picture" "$folder/$picture" || fail "$program changed its picture"
done
# bump-picture.exe, a console program, makes a picture of one's own beside the programs
# from a photograph (an image ImageMagick makes), and bump-paris.exe shows it.
x86_64-w64-mingw32-objdump -p "$folder/bump-picture.exe" | grep -q "file format pei-" ||
  fail "bump-picture.exe is no Windows program"
if [ -n "$runner" ]; then
  convert -size 640x400 gradient:navy-orange "$dir/photo.jpg" || fail "cannot make a photograph"
  cp "$folder/Paris.pcx" "$dir/Paris.pcx"
  (cd "$folder" && "$runner" "$folder/bump-picture.exe" "$dir/photo.jpg" Paris.pcx) >"$dir/output" 2>&1 ||
    fail "bump-picture.exe: $(cat "$dir/output")"
  cmp -s "$dir/Paris.pcx" "$folder/Paris.pcx" && fail "bump-picture.exe left Paris.pcx as it was"
  (cd "$folder" && exec "$runner" "$folder/bump-paris.exe") >"$dir/output" 2>&1 &
  program_pid=$!
  check_frame_and_key "$shots/bump-paris-own-picture-$windows-zip.png" "$folder/Paris.pcx" "$checker"
fi
if [ -z "$runner" ]; then
  echo "ok: $name holds ${expected[*]}; each program is a $kind GUI program importing" \
    "only what Windows ships. NOT RUN: the programs themselves, without Wine"
  exit 0
fi
echo "ok: $name holds ${expected[*]}; unzipped, each program showed its picture's frame" \
  "($shots/*-$windows-zip.png) and ended with exit code 0 on a key; bump-picture.exe made" \
  "a picture of a photograph that bump-paris.exe showed"
