#!/usr/bin/env bash
# Draws the program's icon (128) and bitmaps (129-141) with ImageMagick. The PNGs are kept in
# the repository; run this again only to change a picture.
set -euo pipefail
cd "$(dirname "$0")"
C=${CONVERT:-convert}

# 128: application icon, a location pin on a blue tile.
$C -size 64x64 xc:none -fill '#1f5fa8' -draw 'roundrectangle 2,2 61,61 10,10' \
   -fill white -draw 'circle 32,24 32,10' -draw 'polygon 20,30 44,30 32,54' \
   -fill '#1f5fa8' -draw 'circle 32,24 32,18' icon128.png

# 129: device banner (any device kind but the logger and ZID300 families).
$C -size 570x90 gradient:'#dfe9f5'-'#9db8d9' -fill '#2b3f5c' -draw 'roundrectangle 20,15 120,75 12,12' \
   -fill '#a9d18e' -draw 'rectangle 32,25 108,55' -fill '#2b3f5c' -draw 'circle 70,66 70,62' \
   -fill '#1f3550' -draw 'rectangle 150,40 540,44' -draw 'circle 540,42 540,36' bitmap129.png
# 141: device banner for the logger and ZID300 families (a round logger).
$C -size 570x90 gradient:'#f5ecdf'-'#d9bf9d' -fill '#5c432b' -draw 'circle 70,45 70,10' \
   -fill '#ffd27f' -draw 'circle 70,45 70,28' -fill '#50361f' -draw 'rectangle 150,40 540,44' \
   -draw 'circle 540,42 540,36' bitmap141.png
# 130 / 131: connected (green plug) and not connected (grey, parted plug).
$C -size 48x48 xc:none -fill '#2e8b3a' -draw 'roundrectangle 4,16 22,32 3,3' -draw 'roundrectangle 22,20 44,28 2,2' \
   -draw 'rectangle 0,22 4,26' bitmap130.png
$C -size 48x48 xc:none -fill '#8a8a8a' -draw 'roundrectangle 2,16 18,32 3,3' -draw 'roundrectangle 28,20 46,28 2,2' \
   -stroke '#c03030' -strokewidth 3 -draw 'line 20,12 26,36' bitmap131.png
# 132: small maker mark.
$C -size 183x38 xc:'#1f5fa8' -fill white -draw 'circle 19,19 19,7' -fill '#1f5fa8' -draw 'circle 19,19 19,13' \
   -fill white -draw 'rectangle 40,16 170,22' bitmap132.png
# 133-140: page and state pictures of the other pages (simple coloured glyphs).
i=0
for colour in '#4f81bd' '#c0504d' '#9bbb59' '#8064a2' '#4bacc6' '#f79646' '#7f7f7f' '#2c4d75'; do
  id=$((133 + i))
  $C -size 48x48 xc:none -fill "$colour" -draw 'roundrectangle 4,4 43,43 6,6' \
     -fill white -draw "rectangle 12,$((12 + i * 2)) 35,$((16 + i * 2))" -draw 'rectangle 12,30 35,34' bitmap$id.png
  i=$((i + 1))
done

# The desktop icon for the hicolor theme: drawn by hand in ../icons/divuzovuzov.svg (the same
# pin as icon 128), rendered here at the theme's sizes.
for size in 16 24 32 48 64 128 256; do
  ${RSVG_CONVERT:-rsvg-convert} -w "$size" -h "$size" ../icons/divuzovuzov.svg -o "../icons/divuzovuzov-$size.png"
done
