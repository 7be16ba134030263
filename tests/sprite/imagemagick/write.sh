#!/bin/bash
# Writes the bitmaps of the sprite tests as ImageMagick writes them from a picture of
# known colours: 12 x 8 pixels, the pixel at x, y of red 20x + 15, green 30y + 10 and
# blue 7xy mod 256 (96 colours, so that ImageMagick gives the palette 8 bits). Both with
# its 124-byte information header, uncompressed as -compress none asks:
#   palette.bmp    8 bits, its colour table after the 124-byte header
#   truecolor.bmp  24 bits
# The tests hold the same colours; this script need only be run again to see what
# another ImageMagick writes.
set -euo pipefail
cd "$(dirname "$0")"
picture=$(mktemp --suffix=.ppm)
trap 'rm -f "$picture"' EXIT
{
  echo "P3 12 8 255"
  for y in $(seq 0 7); do
    for x in $(seq 0 11); do echo "$((20 * x + 15)) $((30 * y + 10)) $((7 * x * y % 256))"; done
  done
} >"$picture"
convert "$picture" -type Palette -compress none palette.bmp
convert "$picture" -type TrueColor -compress none truecolor.bmp
