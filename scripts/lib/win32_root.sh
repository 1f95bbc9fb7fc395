# shellcheck shell=bash
# The root file system the 32-bit Windows tests run in: Debian's 32-bit wine,
# Xvfb and Python, built with mmdebstrap from this machine's own mirror into
# the cache, keyed by what goes into it. Where the kernel runs 32-bit programs
# the tests run in a chroot of it; elsewhere in a VM booted from it.
# Source this file, or run it:
#   win32_root.sh dir       the root file system's folder
#   win32_root.sh image     its ext4 image (the VM's disk)
#   win32_root.sh runner    chroot or vm: SELVANE_WIN32_RUNNER, else what
#                           this machine can do; fails with the reason when
#                           it can do neither
_win32_root_lib="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
_win32_root_spec="$(cd "$_win32_root_lib/../win32-root" && pwd)"
# shellcheck source=scripts/lib/apt_sources.sh
source "$_win32_root_lib/apt_sources.sh"

win32_root_cache() { printf '%s\n' "${SELVANE_CACHE:-$HOME/.cache/selvane}"; }

win32_root_packages() {
    sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$_win32_root_spec/packages.txt" | tr -d ' \t'
}

# Module trees no test machine needs; leaving them out saves unpacking time
# and initramfs size.
_win32_root_excludes=(
    '/usr/share/doc/*' '/usr/share/man/*' '/usr/share/info/*'
    '/usr/lib/modules/*/kernel/drivers/gpu/*' '/usr/lib/modules/*/kernel/drivers/media/*'
    '/usr/lib/modules/*/kernel/drivers/net/wireless/*' '/usr/lib/modules/*/kernel/drivers/net/ethernet/*'
    '/usr/lib/modules/*/kernel/drivers/infiniband/*' '/usr/lib/modules/*/kernel/drivers/staging/*'
    '/usr/lib/modules/*/kernel/sound/*'
)

win32_root_key() {
    {
        release_codename
        win32_root_packages
        printf '%s\n' "${_win32_root_excludes[@]}"
        cat "$_win32_root_spec/init"
    } | sha256sum | cut -c1-16
}

win32_root_dir() { printf '%s/win32-root-%s\n' "$(win32_root_cache)" "$(win32_root_key)"; }
win32_root_image() { printf '%s.ext4\n' "$(win32_root_dir)"; }

# The mirrors of this machine's own apt sources, for this release's suites.
win32_root_mirrors() {
    release_source_entries deb | awk '{
        line = "deb"
        if ($4 != "-") line = line " [signed-by=" $4 "]"
        line = line " " $2 " " $3
        for (i = 5; i <= NF; i++) line = line " " $i
        print line
    }'
}

build_win32_root() {
    local dir mirrors=() line opts=() pattern
    dir="$(win32_root_dir)"
    [ -f "$dir/.complete" ] && return 0
    mkdir -p "$(win32_root_cache)"
    while IFS= read -r line; do mirrors+=("$line"); done < <(win32_root_mirrors)
    if [ ${#mirrors[@]} -eq 0 ]; then
        echo "no apt source of this machine serves $(release_codename); cannot build the 32-bit root file system" >&2
        return 1
    fi
    for pattern in "${_win32_root_excludes[@]}"; do opts+=("--dpkgopt=path-exclude=$pattern"); done
    rm -rf "$dir.tmp"
    mmdebstrap --quiet --logfile="$dir.log" --variant=apt --architectures=amd64,i386 \
        --include="$(win32_root_packages | paste -sd,)" "${opts[@]}" \
        --customize-hook="install -m 755 '$_win32_root_spec/init' \"\$1/usr/local/sbin/selvane-init\"" \
        "$(release_codename)" "$dir.tmp" "${mirrors[@]}" || {
        echo "mmdebstrap failed; its log: $dir.log" >&2
        tail -n 30 "$dir.log" >&2
        # Never remove a tree something is still mounted in.
        grep -qF " $dir.tmp/" /proc/mounts || rm -rf "$dir.tmp"
        return 1
    }
    touch "$dir.tmp/.complete" && rm -rf "$dir" && mv "$dir.tmp" "$dir" || return 1
    # Roots of older package lists, and their images, are of no more use.
    local old
    for old in "$(win32_root_cache)"/win32-root-*; do
        [ "$old" = "$dir" ] || [ "$old" = "$dir.log" ] || rm -rf "$old"
    done
}

build_win32_image() {
    local dir image
    dir="$(win32_root_dir)"
    image="$(win32_root_image)"
    [ -f "$image" ] && return 0
    rm -f "$image.tmp"
    mke2fs -q -t ext4 -L selvane-root -d "$dir" -F "$image.tmp" 4G && mv "$image.tmp" "$image"
}

# True where this kernel runs the root file system's 32-bit programs in a
# chroot in namespaces of its own: the probe is the real thing.
win32_chroot_runs() {
    local dir
    dir="$(win32_root_dir)"
    [ -x "$dir/lib/ld-linux.so.2" ] || return 1
    unshare --mount --net --pid --fork --kill-child \
        chroot "$dir" /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

win32_runner() {
    case "${SELVANE_WIN32_RUNNER:-}" in
    chroot | vm)
        printf '%s\n' "$SELVANE_WIN32_RUNNER"
        return 0
        ;;
    "") ;;
    *)
        echo "SELVANE_WIN32_RUNNER must be chroot or vm, not '$SELVANE_WIN32_RUNNER'" >&2
        return 1
        ;;
    esac
    if [ ! -f "$(win32_root_dir)/.complete" ]; then
        echo "no 32-bit root file system at $(win32_root_dir): run scripts/bootstrap.sh" >&2
        return 1
    fi
    if win32_chroot_runs; then
        echo chroot
    elif command -v qemu-system-x86_64 >/dev/null; then
        echo vm
    else
        echo "this kernel refuses 32-bit programs and qemu-system-x86_64 is missing: the 32-bit tests cannot run (scripts/bootstrap.sh installs it)" >&2
        return 1
    fi
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -euo pipefail
    case "${1:-}" in
    dir) win32_root_dir ;;
    image) win32_root_image ;;
    runner) win32_runner ;;
    *)
        echo "usage: $0 dir|image|runner" >&2
        exit 2
        ;;
    esac
fi
