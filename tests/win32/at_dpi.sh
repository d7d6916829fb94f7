#!/usr/bin/env bash
# Runs a Windows test program under Wine with the display scaling staged: at_dpi.sh DPI SHOTS
# PROGRAM [ARGS...]. Each Wine program reads LogPixels as it starts, so the value is written
# before the program and put back to 96 however it ends, for the tests that follow. The program
# is told the DPI (TORVEXA_DPI, so that a staging that did not take fails) and where to save its
# screenshots (TORVEXA_SCREENSHOTS); those BMPs are turned into PNGs in SHOTS.
set -uo pipefail
dpi=$1 shots=$2
shift 2

stage() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
trap 'stage 96' EXIT
if ! stage "$dpi"; then
    echo "at_dpi.sh: could not stage $dpi DPI"
    exit 1
fi
mkdir -p "$shots"
rm -f "$shots/window-${dpi}dpi".{bmp,png}
TORVEXA_DPI=$dpi TORVEXA_SCREENSHOTS=$(winepath -w "$shots") wine "$@"
status=$?
bmp="$shots/window-${dpi}dpi.bmp"
if [ -f "$bmp" ]; then
    if convert "$bmp" "${bmp%.bmp}.png"; then
        rm -f "$bmp"
        echo "screenshot: ${bmp%.bmp}.png"
    else
        status=1
    fi
fi
exit $status
