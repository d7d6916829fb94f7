# Shared pieces of the run and test commands: installing what is missing, a throw-away Wine
# prefix, and a private X display. Sourced, not run.

TORVEXA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# The -win32 compilers build the shipped Torvexa.exe, the -posix ones the test programs; wine64
# gives the 64-bit (WoW64) prefixes. The x86-64 compilers build the same programs for 64-bit
# Windows, for machines that run no 32-bit code (see choose_windows_build).
TORVEXA_PACKAGES="cmake g++ libgtest-dev googletest g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32
    mingw-w64-tools wine wine32:i386 wine64 xvfb imagemagick x11-utils fonts-wine
    g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-win32"

# The clang of the fuzzing and the analysis (Debian 12's), and the packages that give it with its
# libFuzzer and sanitizer runtimes.
TORVEXA_CLANG_VERSION=14
TORVEXA_CLANG_PACKAGES="clang libclang-rt-$TORVEXA_CLANG_VERSION-dev"

# How many jobs a build, the host tests and the analysis run at once: one per processor, unless
# CMAKE_BUILD_PARALLEL_LEVEL says otherwise. (The Wine suite runs serially whatever this says:
# its tests stage the prefix they share.)
TORVEXA_JOBS=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc 2>/dev/null || echo 1)}
export CMAKE_BUILD_PARALLEL_LEVEL=$TORVEXA_JOBS

say() { printf '%s\n' "$*"; }

# The second Windows (Wine 10.0 in a Debian 13 root).
. "$TORVEXA_ROOT/scripts/wine10.sh"

# Installs the Debian packages the build and the tests need, and any further ones named as
# arguments, or says how when not root. With --only first, the packages named and nothing else:
# for a command that needs only a few of them.
ensure_packages() {
    local missing=() wanted=$TORVEXA_PACKAGES
    local p
    if [ "${1:-}" = --only ]; then
        shift
        wanted=
    fi
    for p in $wanted "$@"; do
        [ "$p" != wine32:i386 ] || [ -z "${TORVEXA_NO_WINE32:-}" ] || continue
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -eq 0 ]; then
        choose_windows_build
        return 0
    fi
    if [ "$(id -u)" -ne 0 ]; then
        say "Torvexa needs these Debian packages: ${missing[*]}"
        say "Install them as root with:"
        say "  dpkg --add-architecture i386 && apt-get update && apt-get install -y ${missing[*]}"
        exit 1
    fi
    say "Installing: ${missing[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    apt-get update -qq || say "apt-get update reported errors; installing from the lists it has"
    local rest=() wine32=
    for p in "${missing[@]}"; do
        if [ "$p" = wine32:i386 ]; then wine32=$p; else rest+=("$p"); fi
    done
    # The rest first, then the 32-bit Wine alone: apt installs all or nothing, and the 32-bit Wine
    # is the one package that can fail while the machine is sound (below); it must not take the
    # compilers, wine64 and Xvfb with it.
    if [ ${#rest[@]} -gt 0 ] && ! apt_install "${rest[@]}"; then
        say "Installing failed: apt-get install -y ${rest[*]}"
        exit 1
    fi
    if [ -n "$wine32" ] && ! apt_install "$wine32" && ! install_wine32_pinned; then
        # The machine may well run 32-bit code; only the package could not be had.
        say "The 32-bit Wine could not be installed: ${TORVEXA_APT_CAUSE:-apt-get refused it}."
        say "The Windows tests take the 64-bit way: the shipped 32-bit Torvexa.exe is not run."
        export TORVEXA_NO_WINE32=1  # the commands this one starts do not try again
    fi
    choose_windows_build
}

# apt-get install, quiet; its errors are shown when it fails, and its first error line is kept in
# TORVEXA_APT_CAUSE. Further apt-get options may come before the packages.
apt_install() {
    local log
    log=$(mktemp)
    if DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@" >"$log" 2>&1; then
        rm -f "$log"
        return 0
    fi
    tail -n 20 "$log"
    TORVEXA_APT_CAUSE=$(grep -m1 -E '^E: ' "$log" | sed 's/^E: //')
    rm -f "$log"
    return 1
}

# The 32-bit Wine with Debian's main release pinned above 1000, for this one install. A mirror's
# i386 lists for the security suite can lag its amd64 ones for days; an amd64 library that came
# from the security suite (with wine64, say) then has no i386 twin at its version, and apt refuses
# wine32:i386 ("held broken packages") on a machine that runs 32-bit code well. The pin lines the
# two up: libraries of both architectures at the main release's version, a few security builds
# downgraded to the point release. That is acceptable on a test machine, which this is; the pin
# file lives in a temporary folder and never in /etc/apt, so later installs are as before.
install_wine32_pinned() {
    local pin release status
    release=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-bookworm}")
    pin=$(mktemp -d)
    printf 'Package: *\nPin: release n=%s\nPin-Priority: 1001\n' "${release:-bookworm}" >"$pin/preferences"
    say "wine32:i386 did not install with the current lists; again with the ${release:-bookworm} release pinned ..."
    apt_install --allow-downgrades -o Dir::Etc::Preferences="$pin/preferences" wine32:i386
    status=$?
    rm -rf "$pin"
    return $status
}

# Which Windows build this machine can run under Wine, set by choose_windows_build (after the
# packages are in): "win32", the 32-bit Torvexa.exe that ships and its 32-bit test programs, where
# the machine runs 32-bit x86 code and the 32-bit Wine is installed; "win64" where its kernel runs
# 64-bit programs only (some virtual machines refuse every 32-bit execve, and Wine's 32-bit loader
# is a 32-bit Linux program), or where the 32-bit Wine could not be installed. The same sources are built for 64-bit Windows and tested in
# 64-bit prefixes: the logic, the real Windows layer, the window and the scenarios run for real,
# but not the shipped bytes, nor anything that needs a 32-bit process (WoW64, a 32-bit or XP
# machine). TORVEXA_WINDOWS_BUILD=win32|win64 chooses by hand.
choose_windows_build() {
    if [ -n "${TORVEXA_WINDOWS_BUILD:-}" ]; then
        TORVEXA_WINDOWS_PRESET=$TORVEXA_WINDOWS_BUILD
    elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
        TORVEXA_WINDOWS_PRESET=win32
    else
        TORVEXA_WINDOWS_PRESET=win64
    fi
    TORVEXA_WINDOWS_DIR=$TORVEXA_ROOT/build/$TORVEXA_WINDOWS_PRESET
    export TORVEXA_WINDOWS_PRESET TORVEXA_WINDOWS_DIR
    if [ "$TORVEXA_WINDOWS_PRESET" = win64 ]; then
        # Debian's `wine` (and the wineboot, winepath and reg wrappers, which call wine-stable)
        # always take the 32-bit loader when wine32 is installed: ours take the 64-bit one.
        local shim=$TORVEXA_ROOT/build/wine64-only
        mkdir -p "$shim"
        local name
        for name in wine wine-stable; do
            printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' \
                >"$shim/$name"
            chmod +x "$shim/$name"
        done
        case ":$PATH:" in *":$shim:"*) ;; *) export PATH="$shim:$PATH" ;; esac
    fi
}

# One line on the way the Windows tests take on this machine and why (after choose_windows_build).
windows_way() {
    if [ "$TORVEXA_WINDOWS_PRESET" = win32 ]; then
        say "the 32-bit way: the shipped 32-bit build"
    elif [ -n "${TORVEXA_WINDOWS_BUILD:-}" ]; then
        say "the 64-bit way, chosen with TORVEXA_WINDOWS_BUILD"
    elif [ ! -e /usr/lib/wine/wine ]; then
        say "the 64-bit way: the 32-bit Wine (wine32:i386) is not installed${TORVEXA_APT_CAUSE:+ ($TORVEXA_APT_CAUSE)}"
    else
        say "the 64-bit way: this machine's kernel runs no 32-bit programs, so neither Wine's 32-bit loader"
    fi
}

# Builds one preset quietly, all of it or only the targets named after it; the log is shown on
# failure. With -B DIR first, into DIR instead of the preset's folder (the preset's settings, a
# clean folder of its own).
build_preset() {
    local -a configure=() build=()
    if [ "${1:-}" = -B ]; then
        configure=(-B "$2")
        shift 2
    fi
    local preset=$1 log
    shift
    if [ ${#configure[@]} -eq 0 ]; then build=(--preset "$preset"); else build=("${configure[1]}"); fi
    local -a targets=()
    [ $# -eq 0 ] || targets=(--target "$@")
    log=$(mktemp)
    if ! { cmake --preset "$preset" "${configure[@]}" && cmake --build "${build[@]}" "${targets[@]}"; } \
        >"$log" 2>&1; then
        cat "$log"
        say "Build of '$preset' failed."
        rm -f "$log"
        return 1
    fi
    rm -f "$log"
}

# A fresh Wine prefix in a new folder (WINEPREFIX is exported): 32-bit Windows by default (64-bit
# on a machine that runs 64-bit programs only, see choose_windows_build), or "win64" for 64-bit
# Windows, where the 32-bit Torvexa.exe runs under WoW64; a second argument
# names the Windows version the prefix reports (winxp, say). Wine's own virtual desktop draws
# captions and frames without a window manager.
make_wine_prefix() {
    local default=win32
    [ "${TORVEXA_WINDOWS_PRESET:-win32}" = win32 ] || default=win64
    local arch=${1:-$default} version=${2:-}
    export WINEPREFIX WINEARCH=$arch
    WINEPREFIX=$(mktemp -d /tmp/torvexa-wine.XXXXXX)
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    wineboot -i >/dev/null 2>&1
    wineserver -w
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    if [ -n "$version" ]; then
        wine reg add 'HKCU\Software\Wine' /v Version /d "$version" /f >/dev/null 2>&1
    fi
    # The desktop process that `reg` started predates these keys: end it, so that the next
    # program starts the virtual desktop.
    wineserver -k
    wineserver -w
}

# Ends every Wine process of the current prefix and removes it (kept with TORVEXA_KEEP_PREFIX=1).
remove_wine_prefix() {
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        wineserver -k 2>/dev/null
        wineserver -w 2>/dev/null
        [ "${TORVEXA_KEEP_PREFIX:-}" = 1 ] || rm -rf "$WINEPREFIX"
    fi
}

# Starts a private Xvfb and exports DISPLAY. Its number is the first free one of
# TORVEXA_DISPLAYS ("FIRST LAST", 90 to 140 by default): the second Wine's root takes numbers of
# its own, since an X server also listens on an abstract socket that no root keeps apart, and a
# display answered by another root's server must never be taken for ours (so ours must still run).
XVFB_PID=
start_xvfb() {
    local n range
    read -ra range <<<"${TORVEXA_DISPLAYS:-90 140}"
    for n in $(seq "${range[0]}" "${range[1]}"); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do
            kill -0 "$XVFB_PID" 2>/dev/null || break
            xdpyinfo >/dev/null 2>&1 && kill -0 "$XVFB_PID" 2>/dev/null && return 0
            sleep 0.1
        done
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
    done
    say "Could not start Xvfb."
    return 1
}

# Ends every Wine process of the prefix and our Xvfb, and removes the prefix.
cleanup_wine() {
    remove_wine_prefix
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
        XVFB_PID=
    fi
}
