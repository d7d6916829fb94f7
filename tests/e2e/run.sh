#!/usr/bin/env bash
# Runs the scenarios: the real Torvexa.exe on a stand-in infected machine under Wine, one line per
# scenario and a closing count, then the paths of the screenshots. Builds nothing: it takes the
# win32 build (build/win32, or TORVEXA_E2E_BUILD). Always ends Wine and its own Xvfb.
set -uo pipefail
. "$(cd "$(dirname "$0")" && pwd)/sandbox.sh"

build=${TORVEXA_E2E_BUILD:-$TORVEXA_ROOT/build/win32}
for f in Torvexa.exe e2e_driver.exe sleeper.exe; do
    if [ ! -f "$build/$f" ]; then
        say "scenarios: FAILED: $build/$f is missing (build the win32 preset first)"
        say "0 passed, 1 failed"
        exit 1
    fi
done

trap cleanup_wine EXIT
start_xvfb || exit 1
sandbox_make
sandbox_scenarios "$build" "$TORVEXA_ROOT/build/screenshots"
