#!/usr/bin/env bash
# Draws the sample toolbar's animated banner: 105 by 22 pixels like the still
# one, a GIF that loops for ever. The sun at the left rises in four steps and
# the caption then turns from the toolbar's name to its motto and back.
# ImageMagick optimises the frames into the parts that change, with offsets and
# transparency, as GIF animations are usually made. Needs ImageMagick and the
# DejaVu fonts.
#   assets/make_sample_animation.sh [OUTPUT]   (default: samples/SampleBar.gif)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-samples/SampleBar.gif}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One frame: the banner's gradient, the sun of the given radii, a caption.
frame() {
  local file=$1 outer=$2 inner=$3 caption=$4
  convert -size 22x105 gradient:'#16508f'-'#5aa0e0' -rotate 90 \
    -fill '#ffd23c' -draw "circle 10,11 10,$((11 - outer))" \
    -fill '#16508f' -draw "circle 10,11 10,$((11 - inner))" \
    -font DejaVu-Sans-Bold -pointsize 12 -fill white -gravity west -annotate +22+0 "$caption" \
    "$work/$file"
}
frame 1.png 2 0 'SampleBar'
frame 2.png 4 1 'SampleBar'
frame 3.png 6 2 'SampleBar'
frame 4.png 7 3 'SampleBar'
frame 5.png 7 3 'Find it fast'

# Delays in hundredths of a second: the sun rises quickly, the captions stay.
# One palette for all frames, so that only what changes differs.
convert -loop 0 \
  -delay 12 "$work/1.png" "$work/2.png" "$work/3.png" \
  -delay 200 "$work/4.png" \
  -delay 200 "$work/5.png" \
  +dither -colors 64 +remap -layers Optimize "$out"
identify -format '%f frame %s: %wx%h%O, %T cs, dispose %D\n' "$out"
