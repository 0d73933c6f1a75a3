#!/usr/bin/env bash
# Draws the picture on the left of the About box: 196 by 175 pixels, 24 bits per pixel, an
# uncompressed Windows bitmap (BMP3). A toolbar, a globe and a lens in the banner's teal
# and amber. The picture is opaque to its edges and framed, so it needs no transparent
# colour and sits as well on the classic button face as on the light one.
#   assets/make_about_picture.sh [OUTPUT]   (default: assets/about.bmp)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-assets/about.bmp}

teal='#0f5f68'
amber='#e08a1e'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Everything is drawn four times larger (the MVG scale below; coordinates are those of the
# finished picture) and averaged down, for smooth circles without a font or a filter
# softening the rest.
w=196 h=175
W=$((w * 4)) H=$((h * 4))

# The globe: a radial gradient lit from the upper left, cut to the disc.
convert -size ${W}x${H} xc:'#0b4a53' \
  \( -size 520x520 radial-gradient:'#6cc9c9'-'#0b4a53' \) -geometry +40+96 -composite \
  \( -size ${W}x${H} xc:black -fill white -draw "scale 4,4 circle 86,102 86,50" \) \
  -alpha off -compose CopyOpacity -composite \
  "$work/globe.png"

convert -size ${W}x${H} gradient:'#f7fbfa'-'#d3e8e6' \
  -draw "scale 4,4
         fill #00000014 ellipse 92,163 56,6 0,360
         fill none stroke #b9b19c stroke-width 1 fill #fdfcf7 roundrectangle 12,12 184,38 5,5
         stroke $amber stroke-width 2.5 stroke-linecap round line 27.5,27.5 31,31
         stroke none fill $teal circle 24,24 24,18.5
         fill #dff1f0 circle 24,24 24,21
         stroke #b9b19c fill white rectangle 38,18.5 98,31.5
         stroke none fill #a7a091 rectangle 42,22 70,24 rectangle 42,26 58,28
         fill #4a9a2a roundrectangle 108,18 120,31 2,2
         fill $amber roundrectangle 126,18 138,31 2,2
         fill #2d7fc1 roundrectangle 144,18 156,31 2,2
         fill #c9452f roundrectangle 162,18 174,31 2,2" \
  "$work/globe.png" -composite \
  -draw "scale 4,4 fill none stroke #ffffff55 stroke-width 1.5
         ellipse 86,102 18,52 0,360 ellipse 86,102 38,52 0,360
         line 34,102 138,102 line 41,76 131,76 line 41,128 131,128
         stroke #ffffff30 stroke-width 5 ellipse 86,102 49,49 200,250
         stroke #0a3f46 stroke-width 1.5 circle 86,102 86,50" \
  -draw "scale 4,4
         stroke-linecap round
         stroke #6e3905 stroke-width 12 line 153,139 176,162
         stroke $amber stroke-width 7.5 line 153,139 176,162
         stroke none fill #ffffff4a circle 130,116 130,89
         fill none stroke #8a4a08 stroke-width 9.5 circle 130,116 130,88
         stroke $amber stroke-width 6 circle 130,116 130,88
         stroke #ffffffa0 stroke-width 2 ellipse 130,116 22,22 200,250" \
  -filter box -resize ${w}x${h} \
  -fill none -stroke "$teal" -draw "rectangle 0,0 $((w - 1)),$((h - 1))" \
  -strip -type TrueColor -define bmp:format=bmp3 BMP3:"$out"
identify "$out"
