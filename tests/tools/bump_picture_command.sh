#!/bin/bash
# bump-picture as its users run it, on images ImageMagick makes: a PNG, a JPEG, a GIF and a
# BMP each give a 320 x 200 PCX of 256 colours with the image's brightness (an image
# lighter on the right is lighter on the right); a file that is no image, a damaged one and
# a missing one give a message naming the file, exit code 1, and no picture, an existing
# one left as it was; a wrong command line says how to use it, with exit code 2.
#   bump_picture_command.sh BUMP-PICTURE
set -u
tool=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

convert -size 400x640 gradient:black-white -rotate -90 "$dir/ramp.png" || fail "convert"
for format in png jpg gif bmp; do
  image="$dir/ramp.$format"
  [ "$format" = png ] || convert "$dir/ramp.png" "$image" || fail "convert to $format"
  "$tool" "$image" "$dir/picture.pcx" 2>"$dir/said" || fail "$format: $(cat "$dir/said")"
  [ ! -s "$dir/said" ] || fail "$format: it said $(cat "$dir/said")"
  described=$(identify -format '%m %w %h %k' "$dir/picture.pcx")
  [[ "$described" =~ ^PCX\ 320\ 200 ]] || fail "$format: the picture is $described"
  left=$(convert "$dir/picture.pcx" -crop 20x200+10+0 -format '%[fx:round(mean*255)]' info:)
  right=$(convert "$dir/picture.pcx" -crop 20x200+290+0 -format '%[fx:round(mean*255)]' info:)
  [ "$left" -lt 30 ] && [ "$right" -gt 225 ] || fail "$format: brightness $left on the left, $right on the right"
done

cp "$dir/picture.pcx" "$dir/kept.pcx"
printf 'not an image\n' >"$dir/notes.txt"
head -c 500 "$dir/ramp.png" >"$dir/cut.png"
for image in notes.txt cut.png missing.png; do
  "$tool" "$dir/$image" "$dir/picture.pcx" 2>"$dir/said"
  status=$?
  [ $status -eq 1 ] || fail "$image: exit code $status"
  grep -q "^bump-picture: $dir/$image: " "$dir/said" || fail "$image: it said $(cat "$dir/said")"
  cmp -s "$dir/kept.pcx" "$dir/picture.pcx" || fail "$image: the picture there was changed"
  "$tool" "$dir/$image" "$dir/new.pcx" 2>/dev/null
  [ -z "$(ls "$dir" | grep '^new\.pcx')" ] || fail "$image: left $(ls "$dir" | grep '^new')"
done
"$tool" "$dir/ramp.png" "$dir/no-folder/picture.pcx" 2>"$dir/said"
[ $? -eq 1 ] && grep -q "no-folder/picture.pcx" "$dir/said" || fail "a picture in no folder: $(cat "$dir/said")"

"$tool" "$dir/ramp.png" 2>"$dir/said"
[ $? -eq 2 ] && grep -q '^usage: bump-picture IMAGE PICTURE.pcx' "$dir/said" ||
  fail "a wrong command line: $(cat "$dir/said")"
echo "ok: PNG, JPEG, GIF and BMP made 320 x 200 pictures of their brightness; no image, a damaged and a missing one were refused, leaving no picture"
