#!/usr/bin/env bash
# Draws the example package's logo, package/logo.bmp: 121 x 49 pixels (the size of the main
# window's logo box), 24-bit Windows bitmap. Needs ImageMagick and the DejaVu fonts.
#   examples/make-logo.sh
set -euo pipefail
cd "$(dirname "$0")"
convert -size 121x49 gradient:'#1d4f91-#6fa8dc' \
    -fill '#ffffff' -stroke none -draw 'roundrectangle 4,6 44,42 6,6' \
    -fill '#1d4f91' -draw 'polygon 12,14 36,14 36,19 20,34 36,34 36,39 12,39 12,34 28,19 12,19' \
    -font DejaVu-Sans-Bold -pointsize 18 -fill '#ffffff' -annotate +50+25 'ZULL' \
    -font DejaVu-Sans -pointsize 11 -fill '#e8f0fa' -annotate +51+40 'Demo' \
    -type TrueColor BMP3:package/logo.bmp
echo "wrote $(pwd)/package/logo.bmp"
