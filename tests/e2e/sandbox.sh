# The sandbox machine: a throw-away Wine prefix (never the user's own) that can carry a harmless
# stand-in of the worm. Sourced, not run; needs scripts/lib.sh's start_xvfb or a display.
#
#   sandbox_make                      a fresh prefix in a new folder (WINEPREFIX is exported)
#   sandbox_infect BUILD [messenger]  plants the stand-in infection and bystanders, and leaves the
#                                     stand-ins running: moniker.exe and syslray.exe (copies of the
#                                     sleeper) started from C:\windows\system32, HKT1.dll beside
#                                     them, the Run values realone_nt2003 and realone_nt2004, and
#                                     with "messenger" a running msnmsgr.exe
#   sandbox_scenarios BUILD [SHOTS [NAME ...]]
#                                     works Torvexa.exe through the named scenarios (all by
#                                     default); with SHOTS, saves PNGs of the window at start, with
#                                     the question open and after disinfection there, and prints
#                                     their paths
# BUILD is a win32 build folder holding Torvexa.exe, e2e_driver.exe and sleeper.exe.

. "$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/lib.sh"

sandbox_make() {
    make_wine_prefix
}

# The driver plants the infection itself: it is a 32-bit program like Torvexa.exe, so it sees
# the same system folder and the same view of the registry.
sandbox_infect() {
    local build=$1
    shift
    wine "$build/e2e_driver.exe" infect "$@"
}

sandbox_scenarios() {
    local build=$1 shots=${2:-} status shot
    shift 2 2>/dev/null || shift
    if [ -z "$shots" ]; then
        wine "$build/e2e_driver.exe" "$@"
        return
    fi
    mkdir -p "$shots"
    rm -f "$shots"/*.bmp
    wine "$build/e2e_driver.exe" --shots "$(winepath -w "$shots")" "$@"
    status=$?
    for shot in "$shots"/*.bmp; do
        [ -e "$shot" ] || continue
        convert "$shot" "${shot%.bmp}.png" && rm -f "$shot" && say "screenshot: ${shot%.bmp}.png"
    done
    return $status
}
