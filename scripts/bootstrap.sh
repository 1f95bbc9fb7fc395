#!/usr/bin/env bash
# Makes a fresh Debian machine ready for both builds. Idempotent: pieces that
# are already there are detected and skipped, so a second run takes seconds.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cache="${SELVANE_CACHE:-$HOME/.cache/selvane}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

log() { printf '[bootstrap] %s\n' "$*"; }

# Every apt/*.txt lists packages, one a line, '#' starts a comment.
wanted_packages() {
    sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$here"/apt/*.txt | tr -d ' \t' | sort -u
}

missing_packages() {
    local pkg
    while read -r pkg; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' \
            || printf '%s\n' "$pkg"
    done < <(wanted_packages)
}

# apt-get source needs deb-src entries for the same suites as the binaries.
ensure_deb_src() {
    local list=/etc/apt/sources.list.d/selvane-deb-src.sources
    if [ ! -f "$list" ] && ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        log "adding deb-src entries"
        $sudo tee "$list" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
        apt_updated=""
    fi
}

apt_updated=""
apt_update_once() {
    if [ -z "$apt_updated" ]; then
        log "apt-get update"
        # A mirror in mid-sync fails one index now and then: try again, and
        # go on with what was fetched if it keeps failing.
        local try
        for try in 1 2 3; do
            $sudo apt-get update -qq && break
            log "apt-get update failed (try $try)"
        done
        apt_updated=1
    fi
}

install_packages() {
    local missing
    missing="$(missing_packages)"
    if [ -n "$missing" ]; then
        apt_update_once
        log "installing: $(echo $missing)"
        # shellcheck disable=SC2086
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
    fi
}

# libjpeg-turbo for the win32 build, cross-built once from Debian's own source
# package into a cache outside the clone, keyed by version.
libjpeg_version() {
    dpkg-query -W -f='${Version}' libjpeg62-turbo-dev | sed 's/^[0-9]*://'
}

build_libjpeg_mingw() {
    local triple="$1" toolchain="$2" version prefix work
    version="$(libjpeg_version)"
    prefix="$cache/libjpeg-turbo-$version-$triple"
    if [ -f "$prefix/lib/libjpeg.a" ]; then
        return
    fi
    log "cross-building libjpeg-turbo $version for $triple"
    work="$(mktemp -d)"
    (
        cd "$work"
        apt_update_once
        apt-get source -qq "libjpeg-turbo=1:$version" >/dev/null 2>&1 \
            || apt-get source -qq libjpeg-turbo >/dev/null
        src="$(find . -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n1)"
        cmake -S "$src" -B build -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$here/../cmake/$toolchain" \
            -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix.tmp" \
            -DENABLE_SHARED=OFF -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
            -DCMAKE_POLICY_DEFAULT_CMP0091=NEW -Wno-dev >/dev/null
        cmake --build build >/dev/null
        cmake --install build >/dev/null
    )
    rm -rf "$prefix"
    mkdir -p "$cache"
    mv "$prefix.tmp" "$prefix"
    rm -rf "$work"
}

ensure_deb_src
install_packages
build_libjpeg_mingw i686-w64-mingw32 toolchain-i686-mingw.cmake
build_libjpeg_mingw x86_64-w64-mingw32 toolchain-x86_64-mingw.cmake
log "ready"
