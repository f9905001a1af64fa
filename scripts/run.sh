#!/usr/bin/env bash
# Sets up what is missing, builds the deliverables and packs the sample plug-in.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
source "$root/scripts/arch.sh"

build() { # arch folder runs-here
    cmake -S "$root" -B "$2" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$1.cmake" \
          -DCMAKE_BUILD_TYPE=Release -DTOBURE_TESTS=OFF -DTOBURE_RUN_PROGRAMS="$3" >/dev/null
    cmake --build "$2"
}

build i686 "$root/build" "$([ "$TEST_ARCH" = i686 ] && echo ON || echo OFF)"
out=$root/build
if [ "$TEST_ARCH" != i686 ]; then
    echo "run: this machine cannot execute 32-bit code; using an x86_64 build of the same sources"
    out=$root/build-x86_64
    build x86_64 "$out" ON
fi
echo "run: sample plug-in packed: $out/plugin/sample.pin"
