#!/usr/bin/env bash
# Runs the scenarios: the real Torvexa.exe on a stand-in infected machine under Wine, on six
# machines in turn: 32-bit Windows, 64-bit Windows (Torvexa.exe and the stand-in worm are 32-bit
# programs there, under WoW64), and 32-bit Windows reporting itself as Windows XP, 2000, 98 and
# ME. Every machine runs every scenario, the restart pairs included (on 98 and ME the program
# leaves a file in use to WININIT.INI's [rename] section, which the restart carries out as the
# pending list on NT): a full machine takes about a minute, so the six stay within a few minutes.
# The 32-bit machine also comes at each common display scaling (dpi120 to dpi192: 125 % to
# 200 %), where the scenarios through the window are played again. One line per scenario, each
# saying which Wine and which machine ("[Wine 8.0 32-bit] clean_machine: passed"), then the paths
# of the screenshots (taken on the first, into build/screenshots or TORVEXA_SHOTS) and a closing
# count over all of them. The Wine is whichever `wine` starts here: the second Windows runs this
# same script inside its root (scripts/wine10.sh). Builds nothing: it takes the win32 build
# (build/win32, or TORVEXA_E2E_BUILD). TORVEXA_E2E_SCENARIOS, a list of scenario names separated
# by spaces, runs only those, without screenshots (the full run's stay as they were). Always ends
# Wine and its own Xvfb.
#
#   bash tests/e2e/run.sh [MACHINE ...]   MACHINE: 32-bit, 64-bit, xp, win2k, win98, winme,
#                                         dpi120, dpi144, dpi168, dpi192 (all by default)
set -uo pipefail
. "$(cd "$(dirname "$0")/../.." && pwd)/sandbox/sandbox.sh"

[ -n "${TORVEXA_WINDOWS_PRESET:-}" ] || choose_windows_build
build=${TORVEXA_E2E_BUILD:-$TORVEXA_WINDOWS_DIR}
for f in Torvexa.exe e2e_driver.exe infect.exe sleeper.exe planted_dll.dll; do
    if [ ! -f "$build/$f" ]; then
        say "scenarios: FAILED: $build/$f is missing (build the win32 preset first)"
        say "0 passed, 1 failed"
        exit 1
    fi
done
read -ra scenarios <<<"${TORVEXA_E2E_SCENARIOS:-}"
machines=("$@")
if [ ${#machines[@]} -eq 0 ]; then
    machines=(32-bit 64-bit xp win2k win98 winme dpi120 dpi144 dpi168 dpi192)
    # A machine that runs no 32-bit code has only 64-bit Windows, and the programs are 64-bit too.
    [ "$TORVEXA_WINDOWS_PRESET" = win32 ] || machines=(64-bit)
fi
wine_name="Wine $(wine_version)"

# On 64-bit Windows the Run key has two views. The 32-bit worm writes its values in the 32-bit one
# (WOW6432Node), and that is all the 32-bit Torvexa.exe may delete: a value of the same name in
# the 64-bit view, which the worm could never have written, belongs to someone else.
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
plant_64bit_bystander() {
    wine reg add "$run_key" /v realone_nt2003 /d 'C:\windows\system32\bystander64.exe' /f /reg:64 \
        >/dev/null 2>&1
}
check_64bit_bystander() {
    if wine reg query "$run_key" /v realone_nt2003 /reg:64 >/dev/null 2>&1; then
        say "bystander_in_64bit_run_key: passed"
    else
        say "bystander_in_64bit_run_key: FAILED: the 64-bit view's realone_nt2003 is gone"
    fi
}

trap cleanup_wine EXIT
start_xvfb || exit 1
passed=0 failed=0 shots=${TORVEXA_SHOTS:-$TORVEXA_ROOT/build/screenshots}
[ ${#scenarios[@]} -eq 0 ] || shots=
for machine in "${machines[@]}"; do
    case $machine in
        32-bit) sandbox_make win32 ;;
        64-bit)
            sandbox_make win64
            # The 64-bit view is out of a 32-bit program's reach only: a 64-bit build sees it.
            [ "$TORVEXA_WINDOWS_PRESET" = win32 ] && plant_64bit_bystander
            ;;
        xp) sandbox_make win32 winxp ;;
        win2k | win98 | winme) sandbox_make win32 "$machine" ;;
        dpi120 | dpi144 | dpi168 | dpi192)
            # The desktop reads the scaling when it starts: written before the server restarts.
            make_wine_prefix
            wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "${machine#dpi}" \
                /f >/dev/null 2>&1
            wineserver -k
            wineserver -w
            ;;
        *)
            say "scenarios: unknown machine '$machine' (32-bit, 64-bit, xp, win2k, win98, winme or dpiN)"
            exit 2
            ;;
    esac
    log=$(mktemp)
    {
        if [[ $machine == dpi* ]]; then
            # Another display scaling changes nothing but the window.
            if [ ${#scenarios[@]} -eq 0 ]; then
                sandbox_scenarios "$build" "" --window
            else
                sandbox_scenarios "$build" "" "${scenarios[@]}"
            fi
        else
            sandbox_scenarios "$build" "$shots" "${scenarios[@]}"
        fi
        if [ ${#scenarios[@]} -eq 0 ] && [[ $machine != dpi* ]]; then
            # A file in use goes at the restart: the machine is kept as the press left it, then
            # restarted, then looked at again.
            sandbox_scenarios "$build" "$shots" --keep in_use_dll_goes_at_restart
            sandbox_restart
            sandbox_scenarios "$build" "" after_restart
            # A worm whose programs come back as fast as they are ended: the restart finishes it.
            sandbox_scenarios "$build" "" --keep comes_back
            sandbox_restart
            sandbox_scenarios "$build" "" after_restart
            # The same for the run without the window, which then reports 3010, and 0 after.
            sandbox_scenarios "$build" "" --keep silent_in_use
            sandbox_restart
            sandbox_scenarios "$build" "" silent_after_restart
            # With no display at all: the run needs no desktop.
            (
                unset DISPLAY
                sandbox_scenarios "$build" "" silent_without_display
            )
        fi
        [ "$machine" != 64-bit ] || [ "$TORVEXA_WINDOWS_PRESET" != win32 ] || check_64bit_bystander
    } | sed -u "s/^/[$wine_name $machine] /" | tee "$log"
    # Every line counts once: a scenario's own line, the bystander's, or the driver's failure.
    passed=$((passed + $(grep -cE '^\[[^]]+\] [a-z0-9_]+: passed$' "$log")))
    failed=$((failed + $(grep -cE '^\[[^]]+\] [a-z0-9_ ]+: FAILED' "$log")))
    rm -f "$log"
    shots=  # screenshots of the first machine only
    remove_wine_prefix
done
say "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
