#!/usr/bin/env bash
# Draws the pictures of the update window, in the Traditional ("c") and
# Simplified ("s") Chinese sets, and the pictures the server choosers keep
# inside the launcher (its one set):
#   tools/artwork/make_update_artwork.sh [UPIMG_DIR [CHOOSER_DIR]]
#   (defaults: update/upimg and launcher/chooser)
# Needs ImageMagick 6 and the Noto CJK fonts (scripts/apt/launcher.txt). The
# output is the same for the same tool versions: fixed seeds, no metadata.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
upimg="${1:-$here/../../update/upimg}"
chooser="${2:-$here/../../launcher/chooser}"
mkdir -p "$upimg" "$chooser"
# shellcheck source=tools/artwork/common.sh
source "$here/common.sh"

# ------------------------------------------------------------ update window
# 620 x 440, the window's client area. The lists are child windows at
# (41, 92) and (369, 92), 211 x 187; the message line is drawn at top 290,
# the gauge strip at (34, 323) 545 x 24, the buttons at top 377, 26 high.
convert -size 620x440 gradient:'#0c0a22-#2a1010' \
    \( -size 620x440 -seed 17 plasma:'#202040-#100818' -blur 0x8 \) \
    -compose soft-light -composite \
    \( -size 620x440 xc:none -fill '#ffe8a018' -draw "ellipse 310,40 260,60 0,360" -blur 0x20 \) \
    -compose screen -composite \
    -fill none -stroke "$gold_dark" -strokewidth 3 -draw "rectangle 4,4 615,435" \
    -stroke "$gold" -strokewidth 1 -draw "rectangle 8,8 611,431" \
    -stroke none -fill '#00000070' \
    -draw "rectangle 36,87 257,284" -draw "rectangle 364,87 585,284" \
    -draw "rectangle 28,317 585,352" -draw "roundrectangle 60,368 560,412 10,10" \
    -fill none -stroke "$gold_dark" -strokewidth 2 \
    -draw "rectangle 38,89 254,281" -draw "rectangle 366,89 582,281" \
    -draw "rectangle 31,320 581,349" \
    -stroke "$gold" -strokewidth 1 \
    -draw "rectangle 36,87 256,283" -draw "rectangle 364,87 584,283" \
    -draw "rectangle 29,318 583,351" \
    -stroke '#6a4a2088' -draw "line 40,362 580,362 line 40,418 580,418" \
    -stroke none -fill "$gold" \
    -draw "polygon 280,176 322,176 322,166 342,185 322,204 322,194 280,194" \
    -fill '#fff0c060' -draw "polygon 284,180 320,180 320,174 334,185 320,185 284,185" \
    "$work/update.png"

update_background() {  # set font title to_do done
    local set="$1" font="$2" title="$3" todo="$4" done="$5"
    convert "$work/update.png" \
        -font "$font" -gravity north -kerning 12 -pointsize 26 \
        -fill '#00000099' -annotate +2+18 "$title" -fill "$gold" -annotate +0+16 "$title" \
        -stroke "$gold" -strokewidth 1 -draw "line 180,34 230,34 line 390,34 440,34" -stroke none \
        -gravity northwest -kerning 3 -pointsize 16 -fill "$cream" \
        -annotate +44+58 "$todo" -annotate +372+58 "$done" \
        -font "$sans" -kerning 1 -pointsize 9 -fill '#c8a870' \
        -annotate +170+64 "FILES TO UPDATE" -annotate +498+64 "UPDATED" \
        -gravity south -pointsize 9 -fill '#a08860' -annotate +0+10 "© NORVALE ONLINE" \
        "$work/update-$set.png"
    convert "$work/update-$set.png" "${jpeg[@]}" "$upimg/0$set.jpg"
}
update_background c "$serif_c" "自動更新" "待更新檔案" "已更新檔案"
update_background s "$serif_s" "自动更新" "待更新档案" "已更新档案"

# A button is a bronze plate drawn over the background it sits on. Rest:
# raised, cream text. Pressed: sunk, brighter text, one pixel lower.
update_button() {  # set font name left width caption
    local set="$1" font="$2" name="$3" left="$4" width="$5" caption="$6"
    local under="$work/under-$set-$name.png" w=$(( $5 - 1 ))
    convert "$work/update-$set.png" -crop "${width}x26+$left+377" +repage "$under"
    convert "$under" \
        \( -size "${width}x26" gradient:'#6a3c14-#2a1206' \) \
        \( -size "${width}x26" xc:black -fill white -draw "roundrectangle 0,0 $w,25 6,6" \) \
        -compose over -composite \
        -fill none -stroke "$gold" -strokewidth 1 -draw "roundrectangle 0,0 $w,25 6,6" \
        -stroke '#ffe9a8' -draw "line 6,2 $(( w - 6 )),2" \
        -stroke none -font "$font" -pointsize 15 -kerning 3 -gravity center \
        -fill '#00000099' -annotate +1+0 "$caption" -fill "$cream" -annotate +0-1 "$caption" \
        "${jpeg[@]}" "$upimg/$name-1$set.jpg"
    convert "$under" \
        \( -size "${width}x26" gradient:'#1e0c04-#5a3010' \) \
        \( -size "${width}x26" xc:black -fill white -draw "roundrectangle 0,0 $w,25 6,6" \) \
        -compose over -composite \
        \( -size "${width}x26" xc:none -fill '#ffd27055' -draw "roundrectangle 6,5 $(( w - 6 )),20 5,5" -blur 0x4 \) \
        -compose screen -composite \
        -fill none -stroke '#ffe08a' -strokewidth 1 -draw "roundrectangle 0,0 $w,25 6,6" \
        -stroke none -font "$font" -pointsize 15 -kerning 3 -gravity center \
        -fill '#fff8e0' -annotate +1+1 "$caption" \
        "${jpeg[@]}" "$upimg/$name-2$set.jpg"
}
update_button c "$serif_c" 1 80 90 "更新"
update_button c "$serif_c" 2 248 129 "開始遊戲"
update_button c "$serif_c" 3 448 90 "離開"
update_button s "$serif_s" 1 80 90 "更新"
update_button s "$serif_s" 2 248 129 "开始游戏"
update_button s "$serif_s" 3 448 90 "离开"

# ----------------------------------------------------- launcher's chooser
# 400 x 400 with the Simplified title, the white list area framed around the
# list box at (54, 89) 291 x 249, and the OK button at (151, 352) 99 x 29.
convert -size 400x400 gradient:'#1a1030-#2a1010' \
    \( -size 400x400 -seed 23 plasma:'#202040-#100818' -blur 0x8 \) \
    -compose soft-light -composite \
    -fill none -stroke "$gold_dark" -strokewidth 3 -draw "rectangle 4,4 395,395" \
    -stroke "$gold" -strokewidth 1 -draw "rectangle 8,8 391,391" \
    -stroke none -font "$serif_s" -gravity north -kerning 6 -pointsize 20 \
    -fill '#00000099' -annotate +2+32 "请选择下载更新点" -fill "$gold" -annotate +0+30 "请选择下载更新点" \
    -gravity northwest -stroke "$gold" -strokewidth 1 -draw "line 60,70 340,70" \
    -stroke "$gold_dark" -strokewidth 2 -fill white -draw "rectangle 51,86 347,340" \
    -stroke "$gold" -strokewidth 1 -fill none -draw "rectangle 48,83 350,343" \
    -stroke none "$work/chooser.png"

convert "$work/chooser.png" -crop 99x29+151+352 +repage \
    \( -size 99x29 gradient:'#6a3c14-#2a1206' \) \
    \( -size 99x29 xc:black -fill white -draw "roundrectangle 0,0 98,28 7,7" \) \
    -compose over -composite \
    -fill none -stroke "$gold" -strokewidth 1 -draw "roundrectangle 0,0 98,28 7,7" \
    -stroke '#ffe9a8' -draw "line 7,2 91,2" \
    -stroke none -font "$serif_s" -pointsize 16 -kerning 4 -gravity center \
    -fill '#00000099' -annotate +1+0 "确定" -fill "$cream" -annotate +0-1 "确定" \
    "$work/ok.png"
convert "$work/ok.png" "${jpeg[@]}" "$chooser/ok.jpg"
# The button is drawn in place on the background as well.
convert "$work/chooser.png" "$work/ok.png" -geometry +151+352 -compose over -composite \
    "${jpeg[@]}" "$chooser/background.jpg"

ls "$upimg" "$chooser"
