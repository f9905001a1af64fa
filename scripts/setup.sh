#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, skipping what is there.
# Run as root. Safe to run again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/arch.sh"

DEPS_DIR=${TOBURE_DEPS_DIR:-/var/cache/tobure-deps}
ZLIB_SOURCE_VERSION=1:1.2.13.dfsg-1
PACKAGES=(cmake ninja-build g++-mingw-w64-i686-posix libz-mingw-w64-dev doctest-dev bzip2
          wine wine32:i386 libgl1:i386 xvfb xauth xdotool imagemagick locales
          fonts-ipafont-gothic fonts-wine fp-utils python3
          wine64 g++-mingw-w64-x86-64-posix libgl1)

log() { printf 'setup: %s\n' "$*"; }

need_root() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "setup: run as root (packages are missing: $*)" >&2
        exit 1
    fi
}

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

install_packages() {
    local missing=()
    dpkg --print-foreign-architectures | grep -qx i386 || missing+=(i386-architecture)
    for p in "${PACKAGES[@]}"; do
        installed "$p" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    need_root "${missing[@]}"
    log "installing: ${missing[*]}"
    dpkg --add-architecture i386
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${PACKAGES[@]}" >/dev/null
}

# qemu-user runs the i686 build's device-free tests where 32-bit code cannot run.
install_emulator() {
    case ${TOBURE_I686_TESTS:-} in
        native|compiled) return 0 ;;
        emulated) ;;
        *) "$TOBURE_WINE32" --version >/dev/null 2>&1 && return 0 ;;
    esac
    installed qemu-user && return 0
    need_root qemu-user
    log "installing qemu-user (this machine cannot execute 32-bit code)"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends qemu-user >/dev/null
}

install_locale() {
    locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$' && return 0
    need_root ja_JP.UTF-8
    log "generating ja_JP.UTF-8"
    if grep -q '^# *ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
        sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
    elif ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
        echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
    fi
    locale-gen >/dev/null
}

# Writes a deb-src list derived from the machine's own main archive entry.
write_source_list() {
    local dir=$1
    local out=$dir/parts/source.sources
    mkdir -p "$dir/parts" "$dir/lists/partial"
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        awk -v RS= -v ORS='\n\n' '!/-security/ && /Types:[^\n]*deb/ { print; exit }' \
            /etc/apt/sources.list.d/debian.sources \
            | sed -E 's/^Types:.*/Types: deb-src/' > "$out"
    fi
    if [ ! -s "$out" ] && [ -f /etc/apt/sources.list ]; then
        rm -f "$out"
        grep -E '^deb[[:space:]]' /etc/apt/sources.list | grep -v -- '-security' | head -n 1 \
            | sed -E 's/^deb[[:space:]]/deb-src /' > "$dir/parts/source.list"
        [ -s "$dir/parts/source.list" ] || { echo "setup: no apt source found" >&2; exit 1; }
    fi
}

fetch_minizip() {
    local target=$DEPS_DIR/minizip
    [ -f "$target/.complete" ] && return 0
    log "fetching the minizip source"
    local work
    work=$(mktemp -d)
    write_source_list "$work"
    local opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$work/parts"
                -o Dir::State::Lists="$work/lists" -o APT::Sandbox::User=root)
    apt-get "${opts[@]}" update -qq
    (cd "$work" && apt-get "${opts[@]}" source --download-only -qq "zlib=$ZLIB_SOURCE_VERSION")
    local tarball
    tarball=$(ls "$work"/zlib_*.orig.tar.* | head -n 1)
    mkdir -p "$work/src"
    tar -xf "$tarball" -C "$work/src" --wildcards '*/contrib/minizip/*'
    rm -rf "$target"
    mkdir -p "$DEPS_DIR"
    mv "$work"/src/*/contrib/minizip "$target"
    touch "$target/.complete"
    rm -rf "$work"
}

install_packages
install_emulator
install_locale
fetch_minizip
log "ready (minizip in $DEPS_DIR/minizip)"
