#!/usr/bin/env bash
# Installs what the builds need (first run only), then builds and tests every
# build: native (g++), native-asan (clang, ASan + UBSan, short fuzzer runs),
# win32 (the shipping 32-bit build) and win64 (the same sources, tests under
# 64-bit wine on a virtual display).
#   scripts/test.sh [PRESET...]     default: native native-asan win32 win64
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/bootstrap.sh

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(native native-asan win32 win64)

for preset in "${presets[@]}"; do
    printf '\n=== %s: configure and build ===\n' "$preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    printf '\n=== %s: test ===\n' "$preset"
    ctest --preset "$preset"
done
