#!/usr/bin/env bash
# Makes a fresh Debian machine ready for both builds. Idempotent: pieces that
# are already there are detected and skipped, so a second run takes seconds.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=scripts/lib/win32_root.sh
source "$here/lib/win32_root.sh"
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

# apt-get source needs deb-src entries for the same suites as the binaries:
# copied from the machine's own deb entries, so that a machine with a local
# mirror keeps using it.
deb_src_list=/etc/apt/sources.list.d/selvane-deb-src.sources
other_source_files() {
    apt_source_files | grep -vxF "$deb_src_list" || true
}

derived_deb_src() {
    local codename files=()
    codename="$(release_codename)"
    mapfile -t files < <(other_source_files)
    [ ${#files[@]} -gt 0 ] || return 0
    apt_source_entries "${files[@]}" \
        | awk -v a="$codename" -v b="$codename-updates" '$1 == "deb" && ($3 == a || $3 == b)' \
        | awk '{
            comps = ""; for (i = 5; i <= NF; i++) comps = comps " " $i
            key = $2 "|" $4 "|" comps
            if (!(key in suites)) order[n++] = key
            suites[key] = suites[key] " " $3
        }
        END {
            for (i = 0; i < n; i++) {
                split(order[i], f, "|")
                if (i) print ""
                print "Types: deb-src"
                print "URIs: " f[1]
                print "Suites:" suites[order[i]]
                print "Components:" f[3]
                if (f[2] != "-") print "Signed-By: " f[2]
            }
        }'
}

ensure_deb_src() {
    local files=() wanted
    mapfile -t files < <(other_source_files)
    if [ ${#files[@]} -gt 0 ] && apt_source_entries "${files[@]}" \
        | awk -v a="$(release_codename)" '$1 == "deb-src" && $3 == a { found = 1 } END { exit !found }'; then
        return
    fi
    wanted="$(derived_deb_src)"
    if [ -z "$wanted" ]; then
        log "no apt source serves $(release_codename): cannot add deb-src entries"
        return 1
    fi
    if [ "$(cat "$deb_src_list" 2>/dev/null)" != "$wanted" ]; then
        log "adding deb-src entries for the configured mirrors"
        printf '%s\n' "$wanted" | $sudo tee "$deb_src_list" >/dev/null
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

# The 32-bit tests' root file system (scripts/lib/win32_root.sh); where this
# kernel refuses 32-bit programs, or SELVANE_WIN32_RUNNER=vm asks for it, also
# qemu and the root file system as a disk image for the VM.
prepare_win32_root() {
    local runner
    if [ ! -f "$(win32_root_dir)/.complete" ]; then
        log "building the 32-bit root file system (mmdebstrap)"
        $sudo env SELVANE_CACHE="$cache" bash -c "source '$here/lib/win32_root.sh' && build_win32_root"
    fi
    runner="${SELVANE_WIN32_RUNNER:-}"
    if [ -z "$runner" ]; then
        if win32_chroot_runs; then runner=chroot; else runner=vm; fi
    fi
    if [ "$runner" = vm ]; then
        if ! command -v qemu-system-x86_64 >/dev/null; then
            apt_update_once
            log "installing qemu for the 32-bit tests' VM"
            DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
                qemu-system-x86 >/dev/null
        fi
        if [ ! -f "$(win32_root_image)" ]; then
            log "making the VM's disk image"
            $sudo env SELVANE_CACHE="$cache" bash -c "source '$here/lib/win32_root.sh' && build_win32_image"
        fi
    fi
    log "32-bit tests run in: $runner"
}

ensure_deb_src
install_packages
build_libjpeg_mingw i686-w64-mingw32 toolchain-i686-mingw.cmake
build_libjpeg_mingw x86_64-w64-mingw32 toolchain-x86_64-mingw.cmake
prepare_win32_root
log "ready"
