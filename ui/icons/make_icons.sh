#!/usr/bin/env bash
# Redraws the program icon and the header picture (32 x 32, few flat colours), the program
# icon as a scalable picture from the same shapes, and the larger icon sizes rendered from it.
# Usage: bash make_icons.sh   (needs ImageMagick's convert and librsvg's rsvg-convert;
# writes app.png, header.png, app.svg and hicolor/NxN.png here)
set -e
cd "$(dirname "$0")"
. ../../scripts/deps.sh
tvl_need_packages "${TVL_ICON_PACKAGES[@]}"

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

# The same shapes as scalable vectors: a pixel's centre lies at +0.5, so a one-pixel
# outline through the pixel centres covers exactly the pixels drawn above.
draw_svg() {
    cat >"$1" <<SVG
<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <g fill="none" stroke="$4" stroke-width="1" stroke-linecap="square">
    <path d="M5.5,11.5V27.5M5.5,18.5H11.5M5.5,27.5H11.5"/>
  </g>
  <g stroke="#000000" stroke-width="1" stroke-linejoin="miter">
    <g fill="$2">
      <polygon points="1.5,1.5 6.5,1.5 7.5,3.5 1.5,3.5"/>
      <polygon points="12.5,13.5 17.5,13.5 18.5,15.5 12.5,15.5"/>
      <polygon points="12.5,22.5 17.5,22.5 18.5,24.5 12.5,24.5"/>
    </g>
    <g fill="$3">
      <rect x="1.5" y="3.5" width="13" height="7"/>
      <rect x="12.5" y="15.5" width="13" height="6"/>
      <rect x="12.5" y="24.5" width="13" height="6"/>
    </g>
  </g>
  <g fill="$2">
    <rect x="2" y="5" width="12" height="5"/>
    <rect x="13" y="17" width="12" height="4"/>
    <rect x="13" y="26" width="12" height="4"/>
  </g>
  <path d="M15.5,4.5C23.5,1.5 28.5,4.5 26.5,10.5" fill="none" stroke="$5" stroke-width="2.5"/>
  <polygon points="22,10 31,10 26.5,15" fill="$5"/>
</svg>
SVG
}

draw app.png '#FFFF00' '#808000' '#0000FF' '#FF0000'
draw header.png '#00FFFF' '#008080' '#FF0000' '#0000FF'
draw_svg app.svg '#FFFF00' '#808000' '#0000FF' '#FF0000'

# The desktop's icon theme sizes besides 32 x 32, which is app.png itself. Kept out of
# this folder's top level, whose pictures are built into the program.
mkdir -p hicolor
for size in 16 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" app.svg -o "hicolor/${size}x${size}.png"
done
