#!/usr/bin/env bash
# Runs Torvexa on a sandbox machine: installs what is missing (as root), builds Torvexa.exe and a
# harmless stand-in of the worm, makes a fresh throw-away Wine prefix infected with it, and opens
# Torvexa.exe there, in Wine's virtual desktop.
#
#   bash scripts/run.sh              the infected sandbox (the stand-in worm and a messenger running)
#   bash scripts/run.sh --clean      a sandbox without the infection
#   bash scripts/run.sh --own-prefix your own Wine prefix ($WINEPREFIX or ~/.wine), nothing planted
#
# With a display the window is yours to use, and the command returns when the program ends.
# Without one ($DISPLAY unset) it plays the infected-machine walk-through by itself under a private
# Xvfb, checks what happened on the machine, saves screenshots and prints their paths.
set -uo pipefail
. "$(dirname "$0")/lib.sh"
cd "$TORVEXA_ROOT"

mode=infected
case "${1:-}" in
    "") ;;
    --clean) mode=clean ;;
    --own-prefix) mode=own ;;
    *)
        say "usage: bash scripts/run.sh [--clean | --own-prefix]"
        exit 2
        ;;
esac

ensure_packages
say "Building Torvexa.exe and the stand-in worm ..."
# The 32-bit build, or the 64-bit one on a machine that runs no 32-bit code (scripts/lib.sh).
build_preset "$TORVEXA_WINDOWS_PRESET" Torvexa infect e2e_driver || exit 1
build=$TORVEXA_WINDOWS_DIR
if [ "$TORVEXA_WINDOWS_PRESET" = win64 ]; then
    say "This run takes $(windows_way): Torvexa.exe is built for 64-bit Windows"
    say "here and opened in a 64-bit sandbox (the shipped Torvexa.exe is 32-bit; see the README)."
fi
exe=$build/Torvexa.exe

if [ "$mode" = own ]; then
    # The user asked for their own prefix: open the program there and plant nothing.
    export WINEDEBUG=-all
    [ -n "${DISPLAY:-}" ] || { say "--own-prefix needs a display."; exit 1; }
    say "Opening $exe in ${WINEPREFIX:-$HOME/.wine}"
    wine "$exe"
    exit 0
fi

. "$TORVEXA_ROOT/sandbox/sandbox.sh"
trap cleanup_wine EXIT
trap "exit 130" INT TERM

if [ -n "${DISPLAY:-}" ]; then
    sandbox_make
    if [ "$mode" = infected ]; then
        sandbox_infect "$build" messenger || exit 1
        say "Sandbox machine at $WINEPREFIX, infected with a harmless stand-in:"
        say "  moniker.exe and syslray.exe running from C:\\windows\\system32, HKT1.dll beside them,"
        say "  the Run values realone_nt2003 and realone_nt2004, and a messenger (msnmsgr.exe) running."
    else
        say "Clean sandbox machine at $WINEPREFIX."
    fi
    say "Opening $exe (the sandbox is removed when it ends)"
    wine "$exe"
    exit 0
fi

# No display: the walk-through on an infected sandbox, worked by the scenario driver.
start_xvfb || exit 1
sandbox_make
shots=$TORVEXA_ROOT/build/screenshots
say "No display: playing the infected-machine walk-through under Xvfb ($DISPLAY)."
say "Planted: moniker.exe and syslray.exe running from C:\\windows\\system32, HKT1.dll, the Run values"
say "  realone_nt2003 and realone_nt2004; bystanders: another Run value, file and running program."
if sandbox_scenarios "$build" "$shots" both_worms_yes_without_messenger; then
    say "What happened, each step checked on the machine:"
    say "  - Torvexa opened with \"Tu maquina esta infectada!!!..\" in dark red and the focus on Salir."
    say "  - \"Desinfectame!!!\" ended both worm processes, deleted both Run values and the three files;"
    say "    the bystanders were untouched."
    say "  - The status read \"Maquina desinfectada!\" and the question about the messenger was asked;"
    say "    answered Yes, it confirmed \"MSN cerrado... vuelvelo a iniciar.\""
    say "  - \"Salir\" ended the program with exit code 0."
    exit 0
fi
say "The walk-through did not go as expected (see above)."
exit 1
