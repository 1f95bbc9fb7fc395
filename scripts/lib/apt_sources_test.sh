#!/usr/bin/env bash
# apt_sources.sh against both formats apt reads: what each file yields as
# entries, one line per type, URI and suite.
set -euo pipefail
# shellcheck source=scripts/lib/apt_sources.sh
source "$(dirname "${BASH_SOURCE[0]}")/apt_sources.sh"

dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
failures=0

# check NAME FILE_SUFFIX CONTENT EXPECTED
check() {
    local file="$dir/$1.$2" got
    printf '%s\n' "$3" >"$file"
    got="$(apt_source_entries "$file")"
    if [ "$got" != "$4" ]; then
        printf 'FAIL %s\n--- expected\n%s\n--- got\n%s\n' "$1" "$4" "$got"
        failures=$((failures + 1))
    fi
}

check one-line list \
'# a comment
deb [arch=amd64 signed-by=/k.gpg] http://mirror.test/debian bookworm main contrib # trailing
deb-src http://mirror.test/debian bookworm-updates main
deb cdrom:[Debian]/ bookworm main' \
'deb http://mirror.test/debian bookworm /k.gpg main contrib
deb-src http://mirror.test/debian bookworm-updates - main
deb cdrom:[Debian]/ bookworm - main'

check deb822 sources \
'# Types: deb
Types: deb deb-src
URIs: http://a.test/debian http://b.test/debian
Suites: bookworm
Components: main
 non-free
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://off.test/
Suites: bookworm
Components: main
Enabled: no

Types: deb
URIs: http://inline-key.test/
Suites: bookworm-updates
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 -----END PGP PUBLIC KEY BLOCK-----' \
'deb http://a.test/debian bookworm /usr/share/keyrings/debian-archive-keyring.gpg main non-free
deb http://b.test/debian bookworm /usr/share/keyrings/debian-archive-keyring.gpg main non-free
deb-src http://a.test/debian bookworm /usr/share/keyrings/debian-archive-keyring.gpg main non-free
deb-src http://b.test/debian bookworm /usr/share/keyrings/debian-archive-keyring.gpg main non-free
deb http://inline-key.test/ bookworm-updates - main'

if [ "$failures" -ne 0 ]; then
    echo "$failures failed"
    exit 1
fi
echo "apt sources: both formats read as apt reads them"
