#!/bin/sh
# Checks that a built vexblit2.dll exports exactly the sixteen undecorated names.
#   check_exports.sh OBJDUMP DLL
set -eu
objdump="$1"
dll="$2"
expected="vx_ARGB
vx_CheckMMX_Bit16
vx_Clipper_AlphaChannel_Blt
vx_Clipper_AlphaChannel_Blt2
vx_Clipper_Alpha_ColorKey_Blt
vx_Clipper_Alpha_Fill
vx_Clipper_BlackAlpha_ColorKey_Blt
vx_Clipper_Blt
vx_Clipper_ColorKey_Blt
vx_Clipper_LightAlpha_ColorKey_Blt
vx_Free
vx_Init
vx_LoadTga
vx_Normal_Blt
vx_Reduce_Blt
vx_Reduce_ColorKey_Blt"
# The name table follows the "[Ordinal/Name Pointer] Table" heading as "[  n] name" lines.
actual="$("$objdump" -p "$dll" |
    awk '/\[Ordinal\/Name Pointer\] Table/ {on = 1; next}
         on && /^[[:space:]]*\[ *[0-9]+\]/ {sub(/^[[:space:]]*\[ *[0-9]+\][[:space:]]*/, ""); print; next}
         on {on = 0}' | LC_ALL=C sort)"
if [ "$actual" != "$(printf '%s\n' "$expected" | LC_ALL=C sort)" ]; then
    echo "export table of $dll differs:" >&2
    printf '%s\n' "$actual" >&2
    exit 1
fi
echo "$dll exports the sixteen names"
