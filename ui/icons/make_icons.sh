#!/bin/sh
# Redraws the program icon and the header picture (32 x 32, few flat colours).
# Usage: sh make_icons.sh   (needs ImageMagick's convert; writes app.png and header.png here)
set -e
cd "$(dirname "$0")"

# draw <output> <folder colour> <folder shade> <tree line colour> <arrow colour>
draw() {
    convert -size 32x32 xc:none +antialias \
        -stroke "$4" -strokewidth 1 -fill none \
        -draw "line 5,11 5,27" -draw "line 5,18 11,18" -draw "line 5,27 11,27" \
        -stroke black -fill "$2" \
        -draw "polygon 1,1 6,1 7,3 1,3" \
        -draw "polygon 12,13 17,13 18,15 12,15" \
        -draw "polygon 12,22 17,22 18,24 12,24" \
        -fill "$3" \
        -draw "rectangle 1,3 14,10" \
        -draw "rectangle 12,15 25,21" \
        -draw "rectangle 12,24 25,30" \
        -stroke none -fill "$2" \
        -draw "rectangle 2,5 13,9" \
        -draw "rectangle 13,17 24,20" \
        -draw "rectangle 13,26 24,29" \
        -stroke "$5" -strokewidth 2 -fill none \
        -draw "bezier 15,4 23,1 28,4 26,10" \
        -stroke none -fill "$5" \
        -draw "polygon 22,10 30,10 26,14" \
        "$1"
}

draw app.png '#FFFF00' '#808000' '#0000FF' '#FF0000'
draw header.png '#00FFFF' '#008080' '#FF0000' '#0000FF'
