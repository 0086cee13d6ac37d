#!/usr/bin/env bash
# Draws the program's icon: a white arrow pointing down into an amber tray on a blue tile.
#   platform/win32/draw-icon.sh OUTPUT.ico
# The build runs it (the icon is never edited by hand). Every size is drawn on its own with its
# edges on whole pixels, so that the small sizes stay sharp rather than being scaled down from
# the large one; each is drawn eight times larger without smoothing and then averaged down, which
# gives exact edge coverage. The 256 pixel image is stored PNG-compressed, the others as 32-bit
# bitmaps with alpha. The output holds no dates, so the same drawing gives the same bytes.
# Needs ImageMagick.
set -euo pipefail
output=${1:?usage: draw-icon.sh OUTPUT.ico}
sizes=(16 20 24 32 40 48 64 256)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The drawing, on a 16 by 16 grid: x as a half-width around the centre line (so that both sides
# round alike), y from the top; both in grid units, counted on pixel edges.
#   tile     the whole square, corner radius 3
#   shaft    half-width 2, from 2 down to the head
#   head     half-width 5 at 6, point at 11
#   tray     posts 2 wide at half-width 4 to 6 from 9 down to 14, joined by a bottom from 12 to 14
draw() {
    local size=$1 file=$2
    local k=8 big=$((size * 8))
    # px G: grid length G at this size, rounded to whole pixels, then scaled to the big canvas.
    px() { awk -v g="$1" -v s="$size" -v k="$k" 'BEGIN { printf "%d", int(g * s / 16 + 0.5) * k }'; }
    # A pixel-edge coordinate E on the big canvas as ImageMagick's point (pixel centres).
    at() { awk -v e="$1" 'BEGIN { printf "%.1f", e - 0.5 }'; }
    local c=$((big / 2))
    local radius
    radius=$(awk -v s="$size" -v k="$k" 'BEGIN { printf "%.1f", 3 * s / 16 * k }')
    local shaftL=$((c - $(px 2))) shaftR=$((c + $(px 2))) shaftT=$(px 2)
    local headL=$((c - $(px 5))) headR=$((c + $(px 5))) headT=$(px 6) tip=$(px 11)
    local trayOL=$((c - $(px 6))) trayIL=$((c - $(px 4))) trayIR=$((c + $(px 4)))
    local trayOR=$((c + $(px 6))) postT=$(px 9) bottomT=$(px 12) trayB=$(px 14)
    convert -size "${big}x${big}" gradient:'#4596e0-#1a529b' -write mpr:tile +delete \
        -size "${big}x${big}" xc:none +antialias -stroke none \
        -tile mpr:tile \
        -draw "roundrectangle 0,0 $(at "$big"),$(at "$big") $radius,$radius" +tile \
        -fill '#ffffff' \
        -draw "polygon $(at $shaftL),$(at $shaftT) $(at $shaftR),$(at $shaftT) \
               $(at $shaftR),$(at $headT) $(at $headR),$(at $headT) $(at $c),$(at $tip) \
               $(at $headL),$(at $headT) $(at $shaftL),$(at $headT)" \
        -fill '#ffc12e' \
        -draw "polygon $(at $trayOL),$(at $postT) $(at $trayIL),$(at $postT) \
               $(at $trayIL),$(at $bottomT) $(at $trayIR),$(at $bottomT) \
               $(at $trayIR),$(at $postT) $(at $trayOR),$(at $postT) \
               $(at $trayOR),$(at $trayB) $(at $trayOL),$(at $trayB)" \
        -scale "${size}x${size}" "PNG32:$file"
}

images=()
for size in "${sizes[@]}"; do
    draw "$size" "$work/$size.png"
    images+=("$work/$size.png")
done
# -strip and no date chunks: the file is the same however often and whenever it is drawn.
convert "${images[@]}" -strip -define png:exclude-chunks=date,time "ICO:$work/icon.ico"
mv "$work/icon.ico" "$output"
