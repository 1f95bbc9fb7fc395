#!/usr/bin/env bash
# Draws the sample client's one picture file, its emblem: a gold-rimmed shield
# with a star in a soft halo, 96 x 96, written as a run-length encoded 32-bit
# TGA with an alpha channel, the kind vx_LoadTga takes alpha from:
#   sample/make_art.sh [OUTPUT_DIR]     (default: sample/art)
# Needs ImageMagick 6. The output is the same for the same tool version (no
# randomness, no metadata); the file is committed so builds do not need it.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
out="${1:-$here/art}"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

star="polygon 48,24 54.5,41.1 72.7,42 58.5,53.4 63.3,71 48,61 32.7,71 37.5,53.4 23.3,42 41.5,41.1"

# The shield's face: a blue radial gradient cut to a disc.
convert -size 96x96 radial-gradient:'#4070d0-#0c1430' \
    \( -size 96x96 xc:black -fill white -draw "circle 48,48 48,12" \) \
    -alpha off -compose copy-opacity -composite "$work/face.png"

# Halo (translucent, so the alpha map has every strength), rim, face, star.
convert -size 96x96 xc:none \
    \( -size 96x96 xc:none -fill '#ffd060' -draw "circle 48,48 48,6" -blur 0x5 \
       -channel A -evaluate multiply 0.7 +channel \) -compose over -composite \
    -fill '#8a5a1c' -draw "circle 48,48 48,7" \
    -fill '#f2c866' -draw "circle 48,48 48,9" \
    "$work/face.png" -compose over -composite \
    -fill '#00000060' -draw "translate 1,2 $star" \
    -fill '#fff6d8' -stroke '#f2c866' -strokewidth 1 -draw "$star" \
    "$work/emblem.png"

convert "$work/emblem.png" -strip +set comment -compress RLE "$out/emblem.tga"
ls -l "$out"
