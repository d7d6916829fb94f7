#!/usr/bin/env bash
# Runs Torvexa: installs what is missing (as root), builds Torvexa.exe and opens it under Wine in a
# fresh throw-away prefix, inside Wine's virtual desktop. With a display, the window opens there
# and the command returns when the program ends. Without one ($DISPLAY unset), it runs under a
# private Xvfb, saves a screenshot of the window, prints its path and ends the program.
set -uo pipefail
. "$(dirname "$0")/lib.sh"
cd "$TORVEXA_ROOT"

ensure_packages
say "Building Torvexa.exe ..."
log=$(mktemp)
if ! { cmake --preset win32 && cmake --build --preset win32 --target Torvexa; } >"$log" 2>&1; then
    cat "$log"
    say "The build failed."
    rm -f "$log"
    exit 1
fi
rm -f "$log"
exe=$TORVEXA_ROOT/build/win32/Torvexa.exe
trap cleanup_wine EXIT

if [ -n "${DISPLAY:-}" ]; then
    make_wine_prefix
    say "Opening $exe"
    wine "$exe"
    exit 0
fi

start_xvfb || exit 1
make_wine_prefix
shot=${TORVEXA_SCREENSHOT:-$TORVEXA_ROOT/build/torvexa-window.png}
wine "$exe" >/dev/null 2>&1 &

# The window's X geometry, absolute: "WxH+x+y" from the line of the window whose title starts
# with the caption's fixed prefix.
window_geometry() {
    xwininfo -root -tree 2>/dev/null | grep -m1 '"Torvexa.jpg v1.0' |
        sed -E 's/.* ([0-9]+x[0-9]+)[-+][-0-9]+[-+][-0-9]+ +\+(-?[0-9]+)\+(-?[0-9]+).*/\1+\2+\3/'
}
geometry=
for _ in $(seq 600); do
    geometry=$(window_geometry)
    [ -n "$geometry" ] && break
    sleep 0.1
done
if [ -z "$geometry" ]; then
    say "Torvexa's window did not appear."
    exit 1
fi
sleep 2  # let it paint
import -window root -crop "$geometry" +repage "$shot"
say "Screenshot of Torvexa's window: $shot"
