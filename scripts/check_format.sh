#!/usr/bin/env bash
# Fails when a C or C++ file of the tree is not laid out as .clang-format says.
#   scripts/check_format.sh          check every tracked source file
#   scripts/check_format.sh --fix    rewrite the files in place instead
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h' '*.inl')
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
    exit
fi

report="$(mktemp)"
trap 'rm -f "$report"' EXIT
if ! clang-format --dry-run --Werror "${files[@]}" 2>"$report"; then
    grep -o '^[^:]*:[0-9]*' "$report" | sort -u -t: -k1,1 | sed 's/^/not formatted: /'
    echo "run scripts/check_format.sh --fix"
    exit 1
fi
echo "format: every source file is formatted"
