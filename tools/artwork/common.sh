# Sourced by the artwork scripts: a scratch folder that goes on exit, the
# fonts, the house colours and the JPEG settings every picture shares.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

serif_c="Noto-Serif-CJK-TC-Bold"
serif_s="Noto-Serif-CJK-SC-Bold"
sans="Noto-Sans-CJK-TC"
gold="#f2c866"
gold_dark="#8a5a1c"
cream="#fff1c8"
jpeg=(-strip -sampling-factor 1x1 -quality 92)
