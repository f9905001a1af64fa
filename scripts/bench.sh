#!/usr/bin/env bash
# Builds the benchmarks alone and runs them under Wine; prints their figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
source "$root/scripts/arch.sh"

# Where the programs run natively: the i686 build, else the x86_64 one (figures
# under emulation would say nothing).
if [ "$(i686_lane)" = native ]; then
    arch=i686 wine=$TOBURE_WINE32 wineserver=$TOBURE_WINESERVER32
else
    arch=x86_64 wine=$TOBURE_WINE64 wineserver=$TOBURE_WINESERVER64
fi
dir=$root/build$([ "$arch" = i686 ] || echo "-$arch")
# The benchmarks without a device, and those that draw (on a display of their own).
plain=(bench_maker)
drawing=(bench_model bench_paint)

[ -f "$dir/CMakeCache.txt" ] || configure "$arch" "$dir" OFF OFF
cmake --build "$dir" --target "${plain[@]}" "${drawing[@]}" >/dev/null
emulator=(env TOBURE_WINE="$wine" TOBURE_WINESERVER="$wineserver" TOBURE_WINEPREFIX="$dir/wineprefix"
          "$root/cmake/wine-run.sh")
# Each program is ended after 15 minutes; a crash or a hang is reported, the
# others still run, and the command then fails.
failed=()
report() { # name exit-code
    [ "$2" -eq 0 ] && return
    echo "$1 failed (exit $2)"
    failed+=("$1")
}
for bench in "${plain[@]}"; do
    echo "== $bench"
    rc=0
    timeout 900 "${emulator[@]}" "$dir/$bench.exe" || rc=$?
    report "$bench" "$rc"
done
for bench in "${drawing[@]}"; do
    echo "== $bench"
    rc=0
    # A device needs a display, and a Wine session started on it.
    timeout 900 xvfb-run -a -s "-screen 0 1024x768x24" sh -c \
        'WINEPREFIX="$1" "$2" -k; WINEPREFIX="$1" "$2" -w; shift 2; "$@"' \
        sh "$dir/wineprefix" "$wineserver" "${emulator[@]}" "$dir/$bench.exe" || rc=$?
    report "$bench" "$rc"
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "bench: failed: ${failed[*]}"
    exit 1
fi
