#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine; prints their figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/test.sh" >/dev/null
source "$root/scripts/arch.sh"
dir=$root/build
[ "$TEST_ARCH" = i686 ] || dir=$root/build-x86_64
cmake --build "$dir" --target bench_maker bench_model >/dev/null
wineserver=$([ "$TEST_ARCH" = i686 ] && echo /usr/lib/wine/wineserver32 || echo /usr/lib/wine/wineserver64)
emulator=(env TOBURE_WINE="$([ "$TEST_ARCH" = i686 ] && echo /usr/lib/wine/wine || echo /usr/lib/wine/wine64)"
          TOBURE_WINESERVER="$wineserver" TOBURE_WINEPREFIX="$dir/wineprefix" "$root/cmake/wine-run.sh")
echo "== plug-in maker"
"${emulator[@]}" "$dir/bench_maker.exe"
echo "== model"
# The model needs a device: a display, and a Wine session started on it.
xvfb-run -a -s "-screen 0 1024x768x24" sh -c 'WINEPREFIX="$1" "$2" -k; WINEPREFIX="$1" "$2" -w; shift 2; "$@"' \
    sh "$dir/wineprefix" "$wineserver" "${emulator[@]}" "$dir/bench_model.exe"
echo "== paint"
cmake --build "$dir" --target bench_paint >/dev/null
xvfb-run -a -s "-screen 0 1024x768x24" sh -c 'WINEPREFIX="$1" "$2" -k; WINEPREFIX="$1" "$2" -w; shift 2; "$@"' \
    sh "$dir/wineprefix" "$wineserver" "${emulator[@]}" "$dir/bench_paint.exe"
