#!/usr/bin/env bash
# Sets up what is missing, builds both deliverables and runs every test under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
source "$root/scripts/arch.sh"

runs=$([ "$TEST_ARCH" = i686 ] && echo ON || echo OFF)
build i686 "$root/build" "$runs" "$runs"
test_dir=$root/build
if [ "$TEST_ARCH" != i686 ]; then
    echo "test: this machine cannot execute 32-bit code; the tests run on an x86_64 build of the same sources"
    test_dir=$root/build-x86_64
    build x86_64 "$test_dir" ON ON
fi
cd "$test_dir"
xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j "$(nproc)"
