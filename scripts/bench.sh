#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine; prints their figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/test.sh" >/dev/null
source "$root/scripts/arch.sh"
dir=$root/build
[ "$TEST_ARCH" = i686 ] || dir=$root/build-x86_64
cmake --build "$dir" --target bench_maker >/dev/null
emulator=(env TOBURE_WINE="$([ "$TEST_ARCH" = i686 ] && echo /usr/lib/wine/wine || echo /usr/lib/wine/wine64)"
          TOBURE_WINESERVER="$([ "$TEST_ARCH" = i686 ] && echo /usr/lib/wine/wineserver32 || echo /usr/lib/wine/wineserver64)"
          TOBURE_WINEPREFIX="$dir/wineprefix" "$root/cmake/wine-run.sh")
echo "== plug-in maker"
"${emulator[@]}" "$dir/bench_maker.exe"
