#!/usr/bin/env bash
# Draws the sample toolbar's banner: 105 by 22 pixels, 24 bits per pixel, an
# uncompressed Windows bitmap. Needs ImageMagick and the DejaVu fonts.
#   assets/make_sample_banner.sh [OUTPUT]   (default: samples/SampleBar.bmp)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-samples/SampleBar.bmp}
convert -size 22x105 gradient:'#16508f'-'#5aa0e0' -rotate 90 \
  -fill '#ffd23c' -draw 'circle 10,11 10,4' \
  -fill '#16508f' -draw 'circle 10,11 10,8' \
  -font DejaVu-Sans-Bold -pointsize 12 -fill white -gravity west -annotate +22+0 'SampleBar' \
  -type TrueColor -define bmp:format=bmp3 BMP3:"$out"
identify "$out"
