# The sandbox machine: a throw-away Wine prefix (never the user's own) that can carry a harmless
# stand-in of the worm. The run command, the benchmarks and the scenarios all use it. Sourced, not
# run; needs scripts/lib.sh's start_xvfb or a display.
#
#   sandbox_make [ARCH [VERSION]]     a fresh prefix in a new folder (WINEPREFIX is exported):
#                                     32-bit Windows, or 64-bit with "win64"; VERSION is the
#                                     Windows version it reports (winxp, win2k,
#                                     win98 or winme)
#   sandbox_infect BUILD [messenger]  plants the stand-in infection and bystanders, and leaves the
#                                     stand-ins running: moniker.exe and syslray.exe (copies of the
#                                     sleeper) started from C:\windows\system32, HKT1.dll beside
#                                     them, the Run values realone_nt2003 and realone_nt2004, and
#                                     with "messenger" a running msnmsgr.exe
#   sandbox_restart                   restarts the machine: the pending deletions are carried out
#   sandbox_scenarios BUILD [SHOTS [NAME ...]]
#                                     works Torvexa.exe through the named scenarios (all by
#                                     default); with SHOTS, saves PNGs of the window at start, with
#                                     the question open and after disinfection there, and prints
#                                     their paths
# BUILD is a win32 build folder holding Torvexa.exe, infect.exe, e2e_driver.exe and sleeper.exe.

. "$(cd "$(dirname "${BASH_SOURCE[0]}")/../scripts" && pwd)/lib.sh"

# Wine reads the virtual-desktop setting when its server starts, and the server that wrote it is
# still up: without a restart, windows land on the bare X display without caption or border.
sandbox_make() {
    make_wine_prefix "$@"
    wineserver -k
    wineserver -w
}

# The planting tool is a 32-bit program like Torvexa.exe, so it sees the same system folder and
# the same view of the registry.
sandbox_infect() {
    local build=$1
    shift
    wine "$build/infect.exe" "$@"
}

# Restarts the sandbox machine as Windows restarts: every program ends, and the start-up carries
# out the list of files to delete at the restart.
sandbox_restart() {
    wineserver -k
    wineserver -w
    wineboot -r >/dev/null 2>&1
}

sandbox_scenarios() {
    local build=$1 shots=${2:-} status shot log closing='^[0-9]+ passed, [0-9]+ failed$'
    shift 2 2>/dev/null || shift
    local args=("$@")
    if [ -n "$shots" ]; then
        mkdir -p "$shots"
        rm -f "$shots"/*.bmp
        args=(--shots "$(winepath -w "$shots")" "$@")
    fi
    # The driver's waits are bounded; the timeout only guards against Wine itself hanging. Its
    # closing count is held back until the screenshots are listed, so that it stays the last line.
    log=$(mktemp)
    timeout 900 wine "$build/e2e_driver.exe" "${args[@]}" | tee "$log" | grep --line-buffered -vE "$closing"
    status=${PIPESTATUS[0]}
    for shot in "${shots:-/nonexistent}"/*.bmp; do
        [ -e "$shot" ] || continue
        convert "$shot" "${shot%.bmp}.png" && rm -f "$shot" && say "screenshot: ${shot%.bmp}.png"
    done
    if ! grep -E "$closing" "$log"; then
        say "scenarios: FAILED: the driver ended without a result (exit code $status)"
        say "0 passed, 1 failed"
        status=1
    fi
    rm -f "$log"
    return "$status"
}
