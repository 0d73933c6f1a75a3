#!/usr/bin/env bash
# Builds the toolbar's image list: 144 icons of 16 by 16 pixels side by side (2304 by 16),
# as a 32-bit Windows bitmap with straight alpha (a BITMAPV5HEADER with BI_BITFIELDS and an
# alpha mask, bottom-up), which LoadImage keeps as a 32-bit DIB section for an ILC_COLOR32
# image list. The pictures are Silk icons by Mark James (Debian's famfamfam-silk) and a few
# drawn below; assets/icon_slots.txt says which goes where.
#   assets/make_icon_strip.sh [--preview PNG] [OUTPUT]   (default: assets/icons.bmp)
# --preview also writes the strip three times larger on button-face grey, sixteen icons to a
# row, each with its index beneath. Needs ImageMagick, famfamfam-silk and the DejaVu fonts.
set -euo pipefail
cd "$(dirname "$0")/.."

preview=
if [[ ${1-} == --preview ]]; then preview=$2; shift 2; fi
out=${1:-assets/icons.bmp}
slots=assets/icon_slots.txt
count=144

silk_folder=$(dpkg -L famfamfam-silk 2>/dev/null | grep -m1 '/16x16/folder\.png$' || true)
[[ -n $silk_folder ]] || { echo "famfamfam-silk is not installed (apt-get install famfamfam-silk)" >&2; exit 1; }
silk=$(dirname "$silk_folder")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Drawings are made four times larger and averaged down, so that their curves and
# diagonals get smooth edges at 16 pixels. Coordinates below are in that 64-pixel space,
# measured from pixel edges (hence the half-pixel translate).
big() { convert -size 64x64 xc:none "$@"; }
small() { convert "$1" -filter box -resize 16x16 PNG32:"$2"; }
edges='translate -0.5,-0.5'

# A glossy button: a vertical gradient inside a shape, with a darker rim.
#   button SHAPE TOP BOTTOM RIM OUT64
button() {
  local shape
  case $1 in
    circle) shape='circle 32,32 32,5' ;;
    square) shape='roundrectangle 6,6 58,58 10,10' ;;
    tile) shape='roundrectangle 2,2 62,62 10,10' ;;
  esac
  convert -size 64x64 gradient:"$2-$3" \
    \( -size 64x64 xc:black -fill white -draw "$edges $shape" \) \
    -alpha off -compose CopyOpacity -composite -compose Over \
    -fill none -stroke "$4" -strokewidth 4 -draw "$edges $shape" \
    PNG32:"$5"
}

# A white arrow pointing left, with a dark green shadow so it stands off the button.
arrow_left='polygon 12,32 32,12 32,24 52,24 52,40 32,40 32,52'
arrow_button() { # SHAPE back|forward OUT
  button "$1" '#a8e07c' '#3d9a1e' '#2a7412' "$work/button.png"
  convert "$work/button.png" \
    -fill '#1f5c0c80' -draw "$edges translate 0,4 $arrow_left" \
    -fill white -draw "$edges $arrow_left" \
    "$work/arrow.png"
  [[ $2 == forward ]] && mogrify -flop "$work/arrow.png"
  small "$work/arrow.png" "$3"
}
draw_circle_back() { arrow_button circle back "$1"; }
draw_circle_forward() { arrow_button circle forward "$1"; }
draw_square_back() { arrow_button square back "$1"; }
draw_square_forward() { arrow_button square forward "$1"; }

# A blank page with a red cross in its lower right corner, the way Silk marks its icons.
draw_page_cross() {
  local x='stroke-linecap round line 34,34 58,58 line 58,34 34,58'
  big -fill none \
    -stroke white -strokewidth 18 -draw "$edges $x" \
    -stroke '#9c1208' -strokewidth 14 -draw "$edges $x" \
    -stroke '#ea3a2a' -strokewidth 7 -draw "$edges $x" \
    "$work/cross.png"
  small "$work/cross.png" "$work/cross16.png"
  # page_white is a grey PNG; make it RGB first or the cross comes out grey too.
  convert "$silk/page_white.png" -colorspace sRGB -type TrueColorAlpha "$work/cross16.png" -composite PNG32:"$1"
}

# The magnifier with Silk's own refresh badge, placed where page_refresh has it.
draw_magnifier_refresh() {
  convert "$silk/magnifier.png" "$silk/arrow_refresh_small.png" -geometry +3+1 -composite PNG32:"$1"
}

# Digits 1 to 10 as hand-set pixels (a bold 6 by 9 face, the 1 narrower so that 10 fits)
# on coloured tiles: crisp at 16 pixels, and no font renderer between them and the file.
glyph() {
  case $1 in
    0) printf '%s\n' .####. '##..##' '##..##' '##..##' '##..##' '##..##' '##..##' '##..##' .####. ;;
    1) printf '%s\n' .##. '###.' .##. .##. .##. .##. .##. .##. '####' ;;
    2) printf '%s\n' .####. '##..##' ....## ....## ...##. ..##.. .##... '##....' '######' ;;
    3) printf '%s\n' .####. '##..##' ....## ....## ..###. ....## ....## '##..##' .####. ;;
    4) printf '%s\n' ...##. ..###. .####. '##.##.' '##.##.' '######' ...##. ...##. ...##. ;;
    5) printf '%s\n' '######' '##....' '##....' '#####.' ....## ....## ....## '##..##' .####. ;;
    6) printf '%s\n' .####. '##..##' '##....' '##....' '#####.' '##..##' '##..##' '##..##' .####. ;;
    7) printf '%s\n' '######' ....## ....## ...##. ...##. ..##.. ..##.. ..##.. ..##.. ;;
    8) printf '%s\n' .####. '##..##' '##..##' '##..##' .####. '##..##' '##..##' '##..##' .####. ;;
    9) printf '%s\n' .####. '##..##' '##..##' '##..##' .##### ....## ....## '##..##' .####. ;;
  esac
}
# MVG points for a number's pixels, its left edge at x and top at y.
number_points() { # NUMBER X Y
  local digits=$1 x=$2 y=$3 d row r c i
  for ((i = 0; i < ${#digits}; i++)); do
    d=${digits:i:1}
    r=0
    while IFS= read -r row; do
      for ((c = 0; c < ${#row}; c++)); do
        [[ ${row:c:1} == '#' ]] && printf 'point %d,%d ' $((x + c)) $((y + r))
      done
      r=$((r + 1))
    done < <(glyph "$d")
    x=$((x + $(glyph "$d" | head -1 | tr -d '\n' | wc -c) + 1))
  done
}
number_tile() { # NUMBER TOP BOTTOM RIM OUT
  local width=-1 d i
  for ((i = 0; i < ${#1}; i++)); do
    d=${1:i:1}
    width=$((width + $(glyph "$d" | head -1 | tr -d '\n' | wc -c) + 1))
  done
  button tile "$2" "$3" "$4" "$work/tile.png"
  small "$work/tile.png" "$work/tile16.png"
  local x=$(((16 - width) / 2)) y=4
  convert "$work/tile16.png" \
    -fill '#00000060' -draw "$(number_points "$1" $((x + 1)) $((y + 1)))" \
    -fill white -draw "$(number_points "$1" "$x" "$y")" \
    PNG32:"$5"
}
draw_number_1() { number_tile 1 '#f4776d' '#c9251b' '#8e150e' "$1"; }
draw_number_2() { number_tile 2 '#ffb25c' '#e06d00' '#9c4a00' "$1"; }
draw_number_3() { number_tile 3 '#f0c53a' '#bf8a00' '#7f5c00' "$1"; }
draw_number_4() { number_tile 4 '#86d257' '#3a8f1c' '#26620f' "$1"; }
draw_number_5() { number_tile 5 '#54d3c4' '#12897c' '#0b5c53' "$1"; }
draw_number_6() { number_tile 6 '#74abf5' '#2461c9' '#163f8a' "$1"; }
draw_number_7() { number_tile 7 '#9592f2' '#4440b8' '#2c2980' "$1"; }
draw_number_8() { number_tile 8 '#c691ea' '#7d32b0' '#55207a' "$1"; }
draw_number_9() { number_tile 9 '#f681c4' '#c2267f' '#861656' "$1"; }
draw_number_10() { number_tile 10 '#a3b0bf' '#55657a' '#3a4656' "$1"; }

# A two-tone eraser lying on a slant: pink rubber, blue sleeve, a light top edge.
draw_eraser() {
  convert -size 64x64 xc:none \
    -stroke '#6b2a3a' -strokewidth 3 \
    -fill '#f19bb0' -draw 'roundrectangle 2,19 40,45 6,6' \
    -stroke '#1f3f7a' -fill '#4f82d6' -draw 'roundrectangle 36,19 62,45 6,6' \
    -stroke none -fill '#ffffff90' -draw 'rectangle 7,23 58,27' \
    -background none -rotate -35 -gravity center -extent 64x64 \
    "$work/eraser.png"
  small "$work/eraser.png" "$1"
}

# One slot's picture.
make_slot() { # SOURCE OUT
  local kind=${1%%:*} name=${1#*:}
  case $kind in
    silk) convert "$silk/$name.png" PNG32:"$2" ;;
    grey) convert "$silk/$name.png" -modulate 105,0 PNG32:"$2" ;;
    # Green to blue: the hue turns by about 100 degrees.
    blue) convert "$silk/$name.png" -modulate 100,100,155 PNG32:"$2" ;;
    draw) "draw_$name" "$2" ;;
    *) echo "$slots: unknown source $1" >&2; exit 1 ;;
  esac
  [[ $(identify -format '%wx%h' "$2") == 16x16 ]] || { echo "$1 is not 16 by 16" >&2; exit 1; }
}

expect=0
frames=()
while read -r index source _; do
  [[ -z $index || $index == \#* ]] && continue
  [[ $index == "$expect" ]] || { echo "$slots: index $index where $expect was due" >&2; exit 1; }
  make_slot "$source" "$work/$(printf %03d "$index").png"
  frames+=("$work/$(printf %03d "$index").png")
  expect=$((expect + 1))
done <"$slots"
[[ $expect == "$count" ]] || { echo "$slots: $expect images, not $count" >&2; exit 1; }

# Fully transparent pixels are set to black, so the colour under them never shows through
# a scaled or blended draw. ImageMagick's "bmp4" writer puts out a BITMAPV5HEADER with
# BI_BITFIELDS masks for all four channels, keeps alpha straight and adds no date, so the
# same input gives the same bytes.
convert "${frames[@]}" +append -background black -alpha background \
  -strip -type TrueColorAlpha -define bmp:format=bmp4 BMP:"$out"
identify "$out"

# The preview is cut from the written file, so it shows what LoadImage will get.
if [[ -n $preview ]]; then
  convert "$out" -crop 16x16 +repage -background '#d4d0c8' -alpha remove \
    -filter point -resize 300% -set label '%p' miff:- |
    montage - -tile 16x -geometry +4+2 -font DejaVu-Sans -pointsize 11 -background '#d4d0c8' \
      -depth 8 -strip -define png:exclude-chunks=date,time "$preview"
  identify "$preview"
fi
