#!/usr/bin/env bash
# Draws every picture of the launcher's main menu and settings window, in the
# Traditional ("c") and Simplified ("s") Chinese sets, from shapes and text:
#   tools/artwork/make_artwork.sh [OUTPUT_DIR]     (default: launcher/mainpic)
# Needs ImageMagick 6 and the Noto CJK fonts (scripts/apt/launcher.txt). The
# output is the same for the same tool versions: fixed seeds, no metadata.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
out="${1:-$here/../../launcher/mainpic}"
mkdir -p "$out"
# shellcheck source=tools/artwork/common.sh
source "$here/common.sh"

# ---------------------------------------------------------------- main menu
# Night sky over a mountain ridge, a low moon, a gold frame; the title above
# the buttons. 289 x 480, of which the window shows the top left 284 x 474.
convert -size 289x480 gradient:'#0c0a22-#3a1410' \
    \( -size 289x480 -seed 11 plasma:'#202040-#100818' -blur 0x6 \) \
    -compose soft-light -composite "$work/sky.png"

# Stars: a fixed scatter of small dots.
stars=""
seed=20260
for _ in $(seq 1 70); do
    seed=$(( (seed * 1103515245 + 12345) % 2147483648 ))
    x=$(( seed % 289 ))
    seed=$(( (seed * 1103515245 + 12345) % 2147483648 ))
    y=$(( seed % 260 ))
    r=$(( seed % 3 == 0 ? 1 : 0 ))
    stars+=" circle $x,$y $((x + r)),$y"
done
convert "$work/sky.png" -fill '#fff6d8' -stroke none -draw "$stars" "$work/sky.png"

# Moon with a soft glow in the right margin, two mountain ridges at the foot
# of the window under a thin mist.
convert "$work/sky.png" \
    \( -size 289x480 xc:none -fill '#ffe8a0' -draw "circle 256,232 256,206" -blur 0x10 \) \
    -compose screen -composite \
    -fill '#fff0c0' -draw "circle 256,232 256,219" \
    -fill '#1c1030' -draw "polygon 0,392 30,370 62,386 100,350 140,380 180,360 214,384 250,356 289,372 289,480 0,480" \
    -fill '#120a1c' -draw "polygon 0,430 36,410 70,424 110,400 150,420 190,406 230,426 260,410 289,420 289,480 0,480" \
    \( -size 289x480 xc:none -fill '#c0a0ff30' -draw "rectangle 0,420 289,480" -blur 0x12 \) \
    -compose screen -composite \
    "$work/menu.png"

# A dark band behind the buttons keeps their edges calm.
convert "$work/menu.png" \
    \( -size 289x480 xc:none -fill '#00000088' -draw "roundrectangle 56,98 236,436 14,14" -blur 0x4 \) \
    -compose over -composite "$work/menu.png"

menu_background() {  # set font title
    local set="$1" font="$2" title="$3"
    convert "$work/menu.png" \
        -fill none -stroke "$gold_dark" -strokewidth 3 -draw "rectangle 4,4 279,469" \
        -stroke "$gold" -strokewidth 1 -draw "rectangle 8,8 275,465" \
        -stroke none \
        -font "$font" -pointsize 34 -kerning 5 -gravity north \
        -fill '#00000099' -annotate -2+20 "NORVALE" \
        -fill "$gold" -annotate -4+18 "NORVALE" \
        -kerning 9 -pointsize 16 -fill "$cream" -annotate -4+64 "$title" \
        -gravity northwest \
        -stroke "$gold" -strokewidth 1 -draw "line 28,76 72,76 line 212,76 256,76" \
        -stroke none -fill "$gold" -draw "polygon 72,73 76,76 72,79 68,76 polygon 212,73 216,76 212,79 208,76" \
        -font "$sans" -pointsize 10 -kerning 1 -fill '#c8b080' -gravity south \
        -annotate -4+14 "© NORVALE ONLINE" -gravity northwest \
        "$work/menu-$set.png"
    convert "$work/menu-$set.png" "${jpeg[@]}" "$out/0$set.jpg"
}
menu_background c "$serif_c" "諾瓦勒大陸"
menu_background s "$serif_s" "诺瓦勒大陆"

# Buttons: a bronze plate drawn over the background they sit on, so their
# corners melt into it. Rest: raised, gold text. Pressed: sunk, brighter text.
button() {  # set font number top caption
    local set="$1" font="$2" number="$3" top="$4" caption="$5"
    local under="$work/under-$set-$number.png"
    convert "$work/menu-$set.png" -crop "158x54+67+$top" +repage "$under"
    convert "$under" \
        \( -size 158x54 xc:none -fill '#00000080' -draw "roundrectangle 3,5 156,53 12,12" -blur 0x2 \) \
        -compose over -composite \
        \( -size 158x54 gradient:'#6a3c14-#2a1206' \) \
        \( -size 158x54 xc:black -fill white -draw "roundrectangle 2,2 153,49 11,11" \) \
        -compose over -composite \
        -fill none -stroke "$gold" -strokewidth 2 -draw "roundrectangle 2,2 153,49 11,11" \
        -stroke '#ffe9a8' -strokewidth 1 -draw "line 14,5 141,5" \
        -stroke "$gold_dark" -strokewidth 1 -draw "roundrectangle 6,6 149,45 8,8" \
        -stroke none -font "$font" -pointsize 21 -kerning 4 -gravity center \
        -fill '#00000099' -annotate +1-1 "$caption" \
        -fill "$cream" -annotate +0-2 "$caption" \
        "${jpeg[@]}" "$out/$number-1$set.jpg"
    convert "$under" \
        \( -size 158x54 gradient:'#1e0c04-#5a3010' \) \
        \( -size 158x54 xc:black -fill white -draw "roundrectangle 2,3 153,51 11,11" \) \
        -compose over -composite \
        \( -size 158x54 xc:none -fill '#ffd27055' -draw "roundrectangle 10,10 145,44 8,8" -blur 0x6 \) \
        -compose screen -composite \
        -fill none -stroke '#ffe08a' -strokewidth 2 -draw "roundrectangle 2,3 153,51 11,11" \
        -stroke none -font "$font" -pointsize 21 -kerning 4 -gravity center \
        -fill '#fff8e0' -annotate +1+1 "$caption" \
        "${jpeg[@]}" "$out/$number-2$set.jpg"
}
tops=(107 174 240 307 374)
captions_c=("遊戲說明" "官方網站" "自動更新" "遊戲設定" "離開遊戲")
captions_s=("游戏说明" "官方网站" "自动更新" "游戏设置" "离开游戏")
for i in 0 1 2 3 4; do
    button c "$serif_c" $((i + 1)) "${tops[$i]}" "${captions_c[$i]}"
    button s "$serif_s" $((i + 1)) "${tops[$i]}" "${captions_s[$i]}"
done

# ----------------------------------------------------------- settings window
# 360 x 240 at (1, 1) of the window: option boxes at (57, 37) and (57, 88),
# OK at (130, 207), all in window coordinates, so one less in the picture.
convert -size 360x240 gradient:'#2c1a10-#120a08' \
    \( -size 360x240 -seed 5 plasma:'#3a2414-#1a0e08' -blur 0x3 \) \
    -compose soft-light -composite \
    -fill none -stroke "$gold_dark" -strokewidth 2 -draw "rectangle 3,3 356,236" \
    -stroke "$gold" -strokewidth 1 -draw "rectangle 7,7 352,232" \
    -stroke '#6a4a2066' -draw "line 30,78 330,78 line 30,130 330,130" \
    "$work/setup.png"

settings_background() {  # set font title full windowed note
    local set="$1" font="$2" title="$3" full="$4" windowed="$5" note="$6"
    convert "$work/setup.png" \
        -stroke none -font "$font" -pointsize 15 -kerning 6 -fill "$gold" \
        -gravity north -annotate +0+12 "$title" -gravity northwest \
        -pointsize 17 -kerning 2 -fill "$cream" \
        -annotate +118+38 "$full" -annotate +118+89 "$windowed" \
        -font "$sans" -pointsize 12 -kerning 0 -fill '#c8a870' -annotate +118+112 "$note" \
        -font "$sans" -pointsize 11 -fill '#a08860' -annotate +40+158 "$7" \
        -annotate +40+176 "$8" \
        "$work/setup-$set.png"
    convert "$work/setup-$set.png" "${jpeg[@]}" "$out/0${set}1.jpg"
}
settings_background c "$serif_c" "遊 戲 設 定" "全螢幕模式" "視窗模式" "（需使用 16 位元色彩）" \
    "設定會寫入 sinfo.txt，下次啟動遊戲時生效。" "請選擇畫面模式後按 OK。"
settings_background s "$serif_s" "游 戏 设 置" "全屏模式" "窗口模式" "（需使用 16 位色彩）" \
    "设置会写入 sinfo.txt，下次启动游戏时生效。" "请选择画面模式后按 OK。"

# Option box (same for both sets): a sunken slot.
convert "$work/setup-c.png" -crop 48x25+56+36 +repage \
    -fill '#0c0604' -stroke "$gold_dark" -strokewidth 1 -draw "roundrectangle 1,1 46,23 5,5" \
    -stroke '#00000000' -fill '#1c120a' -draw "roundrectangle 4,4 43,20 3,3" \
    "$work/box.png"
convert "$work/box.png" "${jpeg[@]}" "$out/1.jpg"

# Marker: a gold gem; it sits at (10, 3) inside an option box.
convert "$work/box.png" -crop 27x17+10+3 +repage \
    \( -size 27x17 xc:none -fill '#ffcc5588' -draw "ellipse 13,8 12,7 0,360" -blur 0x2 \) \
    -compose screen -composite \
    -fill "$gold" -stroke '#fff0b0' -strokewidth 1 -draw "polygon 13,2 21,8 13,14 5,8" \
    -stroke none -fill '#fff6d0' -draw "polygon 13,4 17,8 13,8" \
    "${jpeg[@]}" "$out/6.jpg"

# OK button (same for both sets).
convert "$work/setup-c.png" -crop 100x29+129+206 +repage \
    \( -size 100x29 gradient:'#6a3c14-#2a1206' \) \
    \( -size 100x29 xc:black -fill white -draw "roundrectangle 1,1 98,27 7,7" \) \
    -compose over -composite \
    -fill none -stroke "$gold" -strokewidth 1 -draw "roundrectangle 1,1 98,27 7,7" \
    -stroke none -font "$serif_c" -pointsize 15 -kerning 2 -gravity center \
    -fill '#00000099' -annotate +1+0 "OK" -fill "$cream" -annotate +0-1 "OK" \
    "${jpeg[@]}" "$out/2.jpg"

ls "$out"
