#!/usr/bin/env bash
# Runs a Windows program under Wine for ctest. The prefix lives in the build folder
# and is made on first use. Output goes through files, so Wine's helper processes
# cannot hold the caller's pipes open.
set -u
: "${TOBURE_WINE:?}" "${TOBURE_WINEPREFIX:?}"
export WINEPREFIX=$TOBURE_WINEPREFIX
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEDEBUG=${WINEDEBUG:--all,err+module}
wineserver=${TOBURE_WINESERVER:-wineserver}
# A step of making the prefix or the session, given seconds at most; false when it hung.
boot() { local limit=$1; shift; DISPLAY= timeout "$limit" "$TOBURE_WINE" "$@" >/dev/null 2>&1; [ $? -ne 124 ]; }
# The prefix's settings: windows not managed by the X window manager, and a crash
# ends the program with a backtrace on standard error and a non-zero exit, instead
# of a crash dialog that waits for a person. .ready holds the version of this list.
settings_version=2
settings() {
    boot 240 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f &&
        boot 240 reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
}
(
    flock 9
    # A making that hangs (seen under emulation) is ended and taken up again, twice at most.
    for attempt in 1 2 3; do
        [ "$(cat "$WINEPREFIX/.ready" 2>/dev/null)" = "$settings_version" ] && break
        boot 240 wineboot -i && settings && timeout 240 "$wineserver" -w &&
            echo "$settings_version" >"$WINEPREFIX/.ready" && break
        "$wineserver" -k 2>/dev/null
    done
    # Wine reads its own fonts (Marlett draws the caption buttons) only from the
    # prefix's Fonts folder, and wineboot puts none there.
    cp -u "${TOBURE_WINE%/*}"/../../share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
    # A lingering session outlives the gaps between programs. Under emulation it
    # starts slowly and can hang when programs start it together: the first program
    # starts it here alone, and again after a hang.
    if [ -n "${TOBURE_WINESERVER_LINGER:-}" ]; then
        for attempt in 1 2 3; do
            # The session must not hold the lock: its processes get no descriptor 9.
            "$wineserver" -p"$TOBURE_WINESERVER_LINGER" 2>/dev/null 9>&- || break
            boot 50 wineboot 9>&- && break
            "$wineserver" -k 2>/dev/null
        done
    fi
) 9>"$WINEPREFIX.lock"
# A fresh session runs the program alone on a display of its own, and is ended
# afterwards so that the next program starts on the shared display again.
launcher=()
if [ -n "${TOBURE_FRESH_SESSION:-}" ]; then
    "$wineserver" -k 2>/dev/null
    "$wineserver" -w
    launcher=(xvfb-run -a -s "-screen 0 1024x768x24")
fi
out=$(mktemp) err=$(mktemp)
# A program that never ran is started again, twice at most: its DLLs failed to
# initialise (Wine under load: opengl32 losing the display), or Wine killed it
# before it wrote anything (a session ending as the program joined it).
never_ran() {
    grep -q 'Initializing dlls for .* failed, status c0000142' "$err" ||
        { { [ $rc -eq 131 ] || [ $rc -eq 137 ]; } && [ ! -s "$out" ]; }
}
for attempt in 1 2 3; do
    "${launcher[@]}" "$TOBURE_WINE" "$@" >"$out" 2>"$err" </dev/null
    rc=$?
    [ $rc -ne 0 ] && never_ran && [ $attempt -lt 3 ] || break
    echo "wine-run: $1 never ran (exit $rc); starting it again" >&2
done
# Wine kills a process's Unix side when it has not left a second after its last
# thread ended (seen under load, at a test program's exit): a test program whose
# own summary says every test passed has passed.
if [ $rc -eq 137 ] && tail -n 1 "$out" | grep -q '^\[doctest\] Status: SUCCESS!'; then
    echo "wine-run: $1 was killed by Wine as it exited, after its tests passed" >>"$err"
    rc=0
fi
if [ -n "${TOBURE_FRESH_SESSION:-}" ]; then
    "$wineserver" -k 2>/dev/null
    "$wineserver" -w
fi
cat "$out"; cat "$err" >&2
rm -f "$out" "$err"
exit $rc
