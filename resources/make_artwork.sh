#!/usr/bin/env bash
# Draws the dialogs' artwork with ImageMagick: the banner of the startup and About dialogs,
# the picture beside the result's score and the program icon. Deterministic (no time stamps in
# the files), so running it again changes nothing. Usage: resources/make_artwork.sh
set -euo pipefail
cd "$(dirname "$0")"
FONT=$(fc-match -f '%{file}' 'Liberation Sans:bold')
STRIP=(-strip -define png:exclude-chunks=date,time +set date:create +set date:modify)

# A receding floor grid: horizontal lines closer together towards the horizon, rays from the
# vanishing point.
grid_lines() {   # width height horizon colour
  local w=$1 h=$2 y0=$3 c=$4 cmd="" i
  for i in $(seq 1 12); do
    local y=$(( y0 + (h - y0) * i * i / 144 ))
    cmd+="line 0,$y $w,$y "
  done
  for i in $(seq -10 10); do
    local x=$(( w / 2 + i * w / 8 ))
    cmd+="line $(( w / 2 )),$y0 $x,$h "
  done
  echo "-stroke $c -strokewidth 1 -fill none -draw \"$cmd\""
}

# Banner: 514 x 138, night-blue sky, cyan floor grid, the product name.
eval convert -size 514x138 gradient:'#0b1430'-'#123a5a' \
  $(grid_lines 514 138 84 "'#2fd4e0'") \
  -fill "'#0b1430'" -stroke none -draw "'rectangle 0,0 514,84'" \
  -fill "'#ffb347'" -draw "'circle 430,48 430,22'" \
  -font "'$FONT'" -pointsize 40 -fill white -stroke none -annotate +18+52 "'Lumetra Gridfall'" \
  -pointsize 14 -fill "'#9fe8f0'" -annotate +20+74 "'OpenGL 4 tessellation benchmark'" \
  "${STRIP[@]}" banner.png

# Picture: 178 x 162, a lit sphere cut by grid lines, on the dialog-friendly grey.
convert -size 178x162 xc:'#dcdcdc' \
  \( -size 140x140 radial-gradient:'#7fe0ff'-'#0b3a66' \
     \( -size 140x140 xc:black -fill white -draw 'circle 70,70 70,1' \) \
     -alpha off -compose copy_opacity -composite \) \
  -geometry +19+11 -compose over -composite \
  -stroke '#2fd4e0' -strokewidth 1 -fill none \
  -draw 'ellipse 89,81 70,20 0,360 ellipse 89,81 70,45 0,360 ellipse 89,81 20,70 0,360 ellipse 89,81 45,70 0,360 line 19,81 159,81 line 89,11 89,151' \
  "${STRIP[@]}" picture.png

# Icon: 128 x 128, rounded tile with a subdivided triangle (one patch, tessellated twice).
convert -size 128x128 xc:none -fill '#123a5a' -draw 'roundrectangle 4,4 123,123 22,22' \
  -stroke '#2fd4e0' -strokewidth 3 -fill none \
  -draw 'polygon 64,18 112,104 16,104' \
  -strokewidth 2 -draw 'polygon 64,104 40,61 88,61' \
  -strokewidth 1 -draw 'line 52,39 76,39 line 28,82 52,82 line 76,82 100,82 line 52,39 40,61 line 76,39 88,61 line 28,82 40,104 line 100,82 88,104 line 52,82 64,104 line 76,82 64,104 line 40,61 52,82 line 88,61 76,82' \
  "${STRIP[@]}" gridfall.png
