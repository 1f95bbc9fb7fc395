#!/usr/bin/env bash
# Draws the pictures that selvane.exe keeps inside the program: the server
# chooser's backgrounds and OK buttons in the Traditional ("c") and Simplified
# ("s") Chinese sets, and the update window's blue progress strip.
#   tools/artwork/make_updater_artwork.sh [OUTPUT_DIR]   (default: updater/pictures)
# Needs ImageMagick 6 and the Noto CJK fonts (scripts/apt/launcher.txt). The
# output is the same for the same tool versions: fixed seeds, no metadata.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
out="${1:-$here/../../updater/pictures}"
mkdir -p "$out"
# shellcheck source=tools/artwork/common.sh
source "$here/common.sh"

# ------------------------------------------------------------ chooser: 400 x 400
# The list box covers (54, 88)-(347, 337) and the OK button (144, 352)-(244, 381),
# both in the picture's own coordinates: the picture sits at (0, 0) of the window.
convert -size 400x400 gradient:'#2c1a10-#120a08' \
    \( -size 400x400 -seed 7 plasma:'#3a2414-#1a0e08' -blur 0x3 \) \
    -compose soft-light -composite \
    -fill none -stroke "$gold_dark" -strokewidth 3 -draw "rectangle 3,3 396,396" \
    -stroke "$gold" -strokewidth 1 -draw "rectangle 8,8 391,391" \
    -stroke "$gold_dark" -strokewidth 2 -fill white -draw "rectangle 50,84 351,341" \
    -stroke "$gold" -strokewidth 1 -fill none -draw "rectangle 52,86 349,339" \
    -stroke none -fill '#00000080' -draw "roundrectangle 145,355 246,384 8,8" \
    "$work/chooser.png"

chooser_background() {  # set font title
    local set="$1" font="$2" title="$3"
    convert "$work/chooser.png" \
        -font "$font" -pointsize 22 -kerning 4 -gravity north \
        -fill '#00000099' -annotate +2+30 "$title" \
        -fill "$gold" -annotate +0+28 "$title" \
        -gravity northwest \
        -stroke "$gold" -strokewidth 1 -draw "line 40,72 150,72 line 250,72 360,72" \
        -stroke none -fill "$gold" -draw "polygon 200,68 204,72 200,76 196,72" \
        "$work/chooser-$set.png"
    convert "$work/chooser-$set.png" "${jpeg[@]}" "$out/chooser0$set.jpg"
}
chooser_background c "$serif_c" "請選擇下載更新點"
chooser_background s "$serif_s" "请选择下载更新点"

# OK button, 100 x 29 at (144, 352): rest raised with gold text, pressed sunk
# with brighter text. Drawn over the background so the corners melt into it.
ok_button() {  # set font caption
    local set="$1" font="$2" caption="$3"
    local under="$work/under-$set.png"
    convert "$work/chooser-$set.png" -crop 100x29+144+352 +repage "$under"
    convert "$under" \
        \( -size 100x29 gradient:'#6a3c14-#2a1206' \) \
        \( -size 100x29 xc:black -fill white -draw "roundrectangle 1,1 98,27 7,7" \) \
        -compose over -composite \
        -fill none -stroke "$gold" -strokewidth 1 -draw "roundrectangle 1,1 98,27 7,7" \
        -stroke none -font "$font" -pointsize 15 -kerning 6 -gravity center \
        -fill '#00000099' -annotate +1+0 "$caption" -fill "$cream" -annotate +0-1 "$caption" \
        "${jpeg[@]}" "$out/ok1$set.jpg"
    convert "$under" \
        \( -size 100x29 gradient:'#1e0c04-#5a3010' \) \
        \( -size 100x29 xc:black -fill white -draw "roundrectangle 1,2 98,28 7,7" \) \
        -compose over -composite \
        -fill none -stroke '#ffe08a' -strokewidth 1 -draw "roundrectangle 1,2 98,28 7,7" \
        -stroke none -font "$font" -pointsize 15 -kerning 6 -gravity center \
        -fill '#fff8e0' -annotate +1+1 "$caption" \
        "${jpeg[@]}" "$out/ok2$set.jpg"
}
ok_button c "$serif_c" "確定"
ok_button s "$serif_s" "确定"

# ------------------------------------------------- update window: progress strip
# One solid blue without white, drawn with white as its transparent colour over
# the gauge. Full quality and no chroma subsampling keep the colour exact.
convert -size 545x23 'xc:rgb(31,75,208)' -strip -sampling-factor 1x1 -quality 100 "$out/strip.jpg"

ls "$out"
