#!/usr/bin/env bash
# Builds the toolbar's image lists: 144 icons side by side, drawn at 16, 24 and 32 pixels
# (icons.bmp 2304 by 16, icons24.bmp 3456 by 24, icons32.bmp 4608 by 32), each a 32-bit
# Windows bitmap with straight alpha (a BITMAPV5HEADER with BI_BITFIELDS and an alpha mask,
# bottom-up), which LoadImage keeps as a 32-bit DIB section for an ILC_COLOR32 image list.
# The pictures are rendered from vector drawings at each size, so that none is a smaller one
# blown up: Tango icons (Debian's tango-icon-theme), Fork Awesome glyphs
# (fonts-fork-awesome) coloured here, and a few drawn below; assets/icon_slots.txt says
# which goes where.
#   assets/make_icon_strip.sh [--preview PNG] [OUTPUT_DIRECTORY]   (default: assets)
# --preview also writes the three strips on button-face grey, sixteen icons to a row, each
# with its index beneath. Needs ImageMagick, librsvg2-bin, python3, tango-icon-theme,
# fonts-fork-awesome and the DejaVu fonts.
set -euo pipefail
cd "$(dirname "$0")/.."

preview=
if [[ ${1-} == --preview ]]; then preview=$2; shift 2; fi
out_dir=${1:-assets}
slots=assets/icon_slots.txt
count=144
sizes=(16 24 32)

tango=/usr/share/icons/Tango/scalable
[[ -f $tango/places/folder.svg ]] || { echo "tango-icon-theme is not installed (apt-get install tango-icon-theme)" >&2; exit 1; }
glyph_font=$(dpkg -L fonts-fork-awesome 2>/dev/null | grep -m1 '\.svg$' || true)
[[ -n $glyph_font ]] || { echo "fonts-fork-awesome is not installed (apt-get install fonts-fork-awesome)" >&2; exit 1; }
command -v rsvg-convert >/dev/null || { echo "rsvg-convert is missing (apt-get install librsvg2-bin)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

size=16 # the size being drawn

# A vector picture at the current size.
render() { rsvg-convert -w "$size" -h "$size" "$1" -o "$work/render.png" && convert "$work/render.png" PNG32:"$2"; }
tango_icon() { # PATH OUT
  [[ -f $tango/$1.svg ]] || { echo "$slots: no Tango icon $1" >&2; exit 1; }
  render "$tango/$1.svg" "$2"
}

# A glyph of the icon font as a picture of its own: its outline filled with a gradient of
# COLOUR and a darker rim around it, the way the Tango icons have theirs.
glyph_icon() { # NAME RRGGBB OUT
  python3 - "$glyph_font" "$1" "$2" >"$work/glyph.svg" <<'PY'
import re, sys
font, name, colour = sys.argv[1], sys.argv[2], sys.argv[3]
text = open(font, encoding='utf-8').read()
em = int(re.search(r'units-per-em="(\d+)"', text).group(1))
ascent = int(re.search(r'ascent="(\d+)"', text).group(1))
default_advance = int(re.search(r'<font\b[^>]*horiz-adv-x="(\d+)"', text).group(1))
glyph = next((g for g in re.findall(r'<glyph\b[^>]*>', text) if f'glyph-name="{name}"' in g), None)
if glyph is None: sys.exit(f'no glyph {name}')
path = re.search(r'\sd="([^"]*)"', glyph).group(1)
advance = re.search(r'horiz-adv-x="(\d+)"', glyph)
advance = int(advance.group(1)) if advance else default_advance
rgb = [int(colour[i:i + 2], 16) for i in (0, 2, 4)]
light = '#%02x%02x%02x' % tuple(min(255, c + (255 - c) * 2 // 5) for c in rgb)
rim = '#%02x%02x%02x' % tuple(c * 11 // 20 for c in rgb)
pad = em // 10  # room for the rim
box = em + 2 * pad
# Font outlines run upwards from the baseline; the glyph is centred in a square em.
print(f'''<svg xmlns="http://www.w3.org/2000/svg" viewBox="{-pad} {-pad} {box} {box}" width="{box}" height="{box}">
<defs><linearGradient id="g" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="{light}"/><stop offset="1" stop-color="#{colour}"/></linearGradient></defs>
<g transform="translate({(em - advance) / 2},{ascent}) scale(1,-1)">
<path d="{path}" fill="url(#g)" stroke="{rim}" stroke-width="{em // 14}" stroke-linejoin="round" paint-order="stroke"/>
</g></svg>''')
PY
  render "$work/glyph.svg" "$3"
}

# A Tango icon with a second one in its lower right corner, at a little over half the size.
badge_icon() { # BASE BADGE OUT
  local small=$(((size * 9 + 15) / 16))
  tango_icon "$1" "$work/base.png"
  rsvg-convert -w "$small" -h "$small" "$tango/$2.svg" -o "$work/badge.png"
  convert "$work/base.png" "$work/badge.png" -geometry +$((size - small))+$((size - small)) \
    -composite PNG32:"$3"
}

# Two of a Tango icon, one behind the other, each three quarters of the size.
two_icon() { # PATH OUT
  local small=$((size * 3 / 4))
  rsvg-convert -w "$small" -h "$small" "$tango/$1.svg" -o "$work/one.png"
  convert -size "${size}x$size" xc:none "$work/one.png" -composite \
    "$work/one.png" -geometry +$((size - small))+$((size - small)) -composite PNG32:"$2"
}

# Drawings are made four times larger and averaged down, so that their curves and
# diagonals get smooth edges. Coordinates below are in a 64-pixel space for every size,
# measured from pixel edges (hence the half-pixel translate); "edges" maps them onto the
# drawing at four times the current size.
big() { convert -size $((size * 4))x$((size * 4)) xc:none "$@"; }
small() { convert "$1" -filter box -resize "${size}x$size" PNG32:"$2"; }
edges() { echo "affine $(awk "BEGIN { print $size / 16 }"),0,0,$(awk "BEGIN { print $size / 16 }"),-0.5,-0.5"; }

# A glossy button: a vertical gradient inside a shape, with a darker rim.
#   button SHAPE TOP BOTTOM RIM OUT
button() {
  local shape e
  e=$(edges)
  case $1 in
    circle) shape='circle 32,32 32,5' ;;
    square) shape='roundrectangle 6,6 58,58 10,10' ;;
    tile) shape='roundrectangle 2,2 62,62 10,10' ;;
  esac
  convert -size $((size * 4))x$((size * 4)) gradient:"$2-$3" \
    \( -size $((size * 4))x$((size * 4)) xc:black -fill white -draw "$e $shape" \) \
    -alpha off -compose CopyOpacity -composite -compose Over \
    -fill none -stroke "$4" -strokewidth 4 -draw "$e $shape" \
    PNG32:"$5"
}

# A white arrow pointing left, with a dark green shadow so it stands off the button.
arrow_left='polygon 12,32 32,12 32,24 52,24 52,40 32,40 32,52'
arrow_button() { # SHAPE back|forward OUT
  local e
  e=$(edges)
  button "$1" '#a8e07c' '#3d9a1e' '#2a7412' "$work/button.png"
  convert "$work/button.png" \
    -fill '#1f5c0c80' -draw "$e translate 0,4 $arrow_left" \
    -fill white -draw "$e $arrow_left" \
    "$work/arrow.png"
  [[ $2 == forward ]] && mogrify -flop "$work/arrow.png"
  small "$work/arrow.png" "$3"
}
draw_circle_back() { arrow_button circle back "$1"; }
draw_circle_forward() { arrow_button circle forward "$1"; }
draw_square_back() { arrow_button square back "$1"; }
draw_square_forward() { arrow_button square forward "$1"; }

# A blank page with a red cross in its lower right corner.
draw_page_cross() {
  local x='stroke-linecap round line 34,34 58,58 line 58,34 34,58' e
  e=$(edges)
  big -fill none \
    -stroke white -strokewidth 18 -draw "$e $x" \
    -stroke '#9c1208' -strokewidth 14 -draw "$e $x" \
    -stroke '#ea3a2a' -strokewidth 7 -draw "$e $x" \
    "$work/cross.png"
  small "$work/cross.png" "$work/cross-small.png"
  tango_icon mimetypes/empty "$work/page.png"
  convert "$work/page.png" "$work/cross-small.png" -composite PNG32:"$1"
}

# Digits 1 to 10 on coloured tiles. At 16 pixels they are hand-set pixels (a bold 6 by 9
# face, the 1 narrower so that 10 fits), crisp with no font renderer between them and the
# file; at the larger sizes, where a font has the pixels it needs, a bold sans-serif.
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
  button tile "$2" "$3" "$4" "$work/tile.png"
  small "$work/tile.png" "$work/tile-small.png"
  if ((size == 16)); then
    local width=-1 d i
    for ((i = 0; i < ${#1}; i++)); do
      d=${1:i:1}
      width=$((width + $(glyph "$d" | head -1 | tr -d '\n' | wc -c) + 1))
    done
    local x=$(((16 - width) / 2)) y=4
    convert "$work/tile-small.png" \
      -fill '#00000060' -draw "$(number_points "$1" $((x + 1)) $((y + 1)))" \
      -fill white -draw "$(number_points "$1" "$x" "$y")" \
      PNG32:"$5"
  else
    local points=$((size * 11 / 16)) shadow=$((size / 16))
    ((${#1} > 1)) && points=$((size * 9 / 16))
    convert "$work/tile-small.png" -font DejaVu-Sans-Bold -pointsize "$points" -gravity center \
      -fill '#00000060' -annotate +"$shadow"+"$shadow" "$1" \
      -fill white -annotate +0+0 "$1" \
      PNG32:"$5"
  fi
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
  local e
  e=$(edges)
  big -stroke '#6b2a3a' -strokewidth 3 \
    -fill '#f19bb0' -draw "$e roundrectangle 2,19 40,45 6,6" \
    -stroke '#1f3f7a' -fill '#4f82d6' -draw "$e roundrectangle 36,19 62,45 6,6" \
    -stroke none -fill '#ffffff90' -draw "$e rectangle 7,23 58,27" \
    -background none -rotate -35 -gravity center -extent $((size * 4))x$((size * 4)) \
    "$work/eraser.png"
  small "$work/eraser.png" "$1"
}

# One slot's picture at the current size.
make_slot() { # SOURCE OUT
  local kind=${1%%:*} name=${1#*:}
  case $kind in
    tango) tango_icon "$name" "$2" ;;
    badge) badge_icon "${name%%+*}" "${name#*+}" "$2" ;;
    two) two_icon "$name" "$2" ;;
    glyph) glyph_icon "${name%%:*}" "${name#*:}" "$2" ;;
    draw) "draw_$name" "$2" ;;
    *) echo "$slots: unknown source $1" >&2; exit 1 ;;
  esac
  [[ $(identify -format '%wx%h' "$2") == "${size}x$size" ]] || { echo "$1 is not $size by $size" >&2; exit 1; }
}

for size in "${sizes[@]}"; do
  expect=0
  frames=()
  while read -r index source _; do
    [[ -z $index || $index == \#* ]] && continue
    [[ $index == "$expect" ]] || { echo "$slots: index $index where $expect was due" >&2; exit 1; }
    frame=$work/$size-$(printf %03d "$index").png
    make_slot "$source" "$frame"
    frames+=("$frame")
    expect=$((expect + 1))
  done <"$slots"
  [[ $expect == "$count" ]] || { echo "$slots: $expect images, not $count" >&2; exit 1; }

  # Fully transparent pixels are set to black, so the colour under them never shows through
  # a scaled or blended draw. ImageMagick's "bmp4" writer puts out a BITMAPV5HEADER with
  # BI_BITFIELDS masks for all four channels, keeps alpha straight and adds no date, so the
  # same input gives the same bytes.
  out=$out_dir/icons.bmp
  ((size != 16)) && out=$out_dir/icons$size.bmp
  convert "${frames[@]}" +append -background black -alpha background \
    -strip -type TrueColorAlpha -define bmp:format=bmp4 BMP:"$out"
  identify "$out"

  # The preview is cut from the written file, so it shows what LoadImage will get.
  if [[ -n $preview ]]; then
    convert "$out" -crop "${size}x$size" +repage -background '#d4d0c8' -alpha remove \
      -set label '%p' miff:- |
      montage - -tile 16x -geometry +4+2 -font DejaVu-Sans -pointsize 9 -background '#d4d0c8' \
        -depth 8 -strip "$work/preview$size.png"
  fi
done

if [[ -n $preview ]]; then
  convert "$work/preview16.png" "$work/preview24.png" "$work/preview32.png" -background '#d4d0c8' \
    -gravity west -append -strip -define png:exclude-chunks=date,time "$preview"
  identify "$preview"
fi
