#!/usr/bin/env bash
# Draws Pelliquester's own banner, the picture the toolbar shows when an installation brings
# none: 105 by 22 pixels, 24 bits per pixel, an uncompressed Windows bitmap (BMP3, no colour
# space block, so the same script gives the same bytes). Needs ImageMagick and the DejaVu fonts.
#   assets/make_banner.sh [OUTPUT]   (default: assets/banner.bmp)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-assets/banner.bmp}

teal='#0f5f68'
amber='#c86a10'
font=DejaVu-Sans-Condensed-Bold
size=12

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The mark, a lens on a handle, is drawn four times larger and averaged down for smooth
# curves; the name is set at full size, where the font's hinting keeps it sharp.
convert -size 88x88 xc:none \
  -stroke '#7a3f06' -strokewidth 13 -draw 'stroke-linecap round line 56,56 76,76' \
  -stroke "$amber" -strokewidth 7 -draw 'stroke-linecap round line 56,56 75,75' \
  -fill '#dff1f0' -stroke "$teal" -strokewidth 8 -draw 'circle 36,36 36,10' \
  -stroke none -fill '#ffffffc0' -draw 'ellipse 29,28 9,6 200,320' \
  -filter box -resize 22x22 "$work/mark.png"

first=Pelli
rest=quester
# The second colour starts where the first word's advance ends; measuring the whole name
# less its tail leaves out the padding that a label adds on both sides.
width() { convert -font "$font" -pointsize "$size" label:"$1" -format %w info:; }
lead=$(($(width "$first$rest") - $(width "$rest")))
x=23
convert -size 22x105 gradient:'#fffdf7'-'#e8e2d2' -rotate 90 \
  -fill none -stroke '#b9b19c' -draw 'rectangle 0,0 104,21' \
  "$work/mark.png" -geometry +1+0 -composite \
  -font "$font" -pointsize "$size" -stroke none -gravity west \
  -fill "$teal" -annotate +"$x"+0 "$first" \
  -fill "$amber" -annotate +$((x + lead))+0 "$rest" \
  -strip -type TrueColor -define bmp:format=bmp3 BMP3:"$out"
identify "$out"
