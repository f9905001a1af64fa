#!/usr/bin/env bash
# Sets up what is missing, builds the deliverables and packs the sample plug-in.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
source "$root/scripts/arch.sh"

if [ "$(i686_lane)" = native ]; then
    out=$root/build wine=$TOBURE_WINE32 wineserver=$TOBURE_WINESERVER32
    build i686 "$out" OFF ON -DTOBURE_WINE_QEMU=OFF
else
    echo "run: this machine cannot execute 32-bit code; using an x86_64 build of the same sources"
    build i686 "$root/build" OFF OFF
    out=$root/build-x86_64 wine=$TOBURE_WINE64 wineserver=$TOBURE_WINESERVER64
    build x86_64 "$out" OFF ON
fi
echo "run: sample plug-in packed: $out/plugin/sample.pin"

export LANG=ja_JP.UTF-8 WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

if [ -n "${DISPLAY:-}" ]; then
    # A prefix of its own, so the windows are managed by the desktop's window manager.
    echo "run: starting the editor on $DISPLAY; open plugin\\sample.pin with ファイル → 新規"
    cd "$out"
    export WINEPREFIX=$out/wineprefix-run WINEDEBUG=${WINEDEBUG:--all}
    # Wine's own fonts (Marlett draws the caption buttons) are read from the prefix only.
    [ -d "$WINEPREFIX/drive_c/windows/Fonts" ] || "$wine" wineboot -i >/dev/null 2>&1
    cp -u "${wine%/*}"/../../share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    exec "$wine" ./TobureModeler.exe
fi

# No display: the end-to-end tooling on a virtual display, ending in a screenshot.
echo "run: no display; opening the sample on a virtual display for a screenshot"
cmake -S "$root" -B "$out" -DTOBURE_TESTS=ON >/dev/null
cmake --build "$out" --target e2e_driver >/dev/null
export TOBURE_WINE=$wine TOBURE_WINESERVER=$wineserver TOBURE_WINEPREFIX=$out/wineprefix
shot=$out/screenshot.png
xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
    WINEPREFIX=$TOBURE_WINEPREFIX $TOBURE_WINESERVER -k 2>/dev/null
    WINEPREFIX=$TOBURE_WINEPREFIX $TOBURE_WINESERVER -w
    exec /usr/bin/python3 "$1/tests/e2e/editor_session.py" demo --build "$2" \
        --driver "$2/tests/e2e/driver.exe" --wine-run "$1/cmake/wine-run.sh" --out "$3"' \
    sh "$root" "$out" "$shot" >/dev/null
echo "run: screenshot of the editor with the sample part-way done: $shot"
