# The second Windows: Wine 10.0, Debian 13's, in a root of its own beside this Debian 12 machine.
# Wine 8.0 and Wine 10.0 are two implementations of Windows; their fonts, their DPI handling and
# their timing differ, and the program must be right on both. Sourced by lib.sh, not run.
#
#   wine10_ensure_root      makes the root once (as root: debootstrap, then the Wine packages
#                           inside it) in a cache folder outside the clone, and reuses it after;
#                           sets WINE10_ROOT, or WINE10_CAUSE with the reason it could not
#   wine10_enter            mounts what a run inside needs (/proc, /dev, /sys and this checkout
#                           at its own path); wine10_leave unmounts them all again
#   wine10_run CMD ...      runs CMD inside the root (entered), with a clean environment and
#                           this checkout at the same path, so that its scripts work unchanged
#   wine_version            "8.0", "10.0": the version of the Wine that `wine` starts here
#
# The root holds about 2 GB. Its folder is TORVEXA_WINE10_CACHE (default
# /var/cache/torvexa/wine10-trixie); a half-made one is made again, never used.

WINE10_SUITE=trixie
WINE10_CACHE=${TORVEXA_WINE10_CACHE:-/var/cache/torvexa/wine10-$WINE10_SUITE}
# What a run inside takes: the Wine itself with its fonts (without fonts-wine the dialog font
# falls back to a wide one), a display, the tools the scripts call.
WINE10_PACKAGES="wine wine32:i386 wine64 fonts-wine xvfb xauth x11-utils imagemagick procps"
WINE10_ROOT= WINE10_CAUSE=
WINE10_MOUNTS=()

wine_version() {
    wine --version 2>/dev/null | sed -n 's/^wine-\([0-9.]*\).*/\1/p'
}

# The Debian mirror this machine's apt already uses (its main suite, not the security one), read
# from its sources: the root's packages come from where the machine's own come from.
wine10_mirror() {
    local file
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -e "$file" ] || continue
        awk '/^URIs:/ {u=$2} /^Suites:/ {s=$0} /^$/ {if (u != "" && s !~ /security/ && u ~ /debian/) {print u; exit} u=""; s=""}
             END {if (u != "" && s !~ /security/ && u ~ /debian/) print u}' "$file" | head -n 1
    done | head -n 1 | grep . && return 0
    grep -hE '^deb +(\[[^]]*\] +)?https?://' /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
        2>/dev/null | grep -v security | grep debian | sed -E 's/^deb +(\[[^]]*\] +)?//' |
        awk '{print $1; exit}'
}

# Makes the root unless the cache holds a finished one. Its last step writes the stamp, so that
# a run stopped half-way leaves no root that looks made.
wine10_ensure_root() {
    WINE10_ROOT= WINE10_CAUSE=
    local stamp=$WINE10_CACHE/.torvexa-made
    if [ -f "$stamp" ] && [ -x "$WINE10_CACHE/usr/bin/wine" ]; then
        WINE10_ROOT=$WINE10_CACHE
        return 0
    fi
    if [ "$(id -u)" -ne 0 ]; then
        WINE10_CAUSE="making its root needs root (debootstrap and chroot); run the test command as root once"
        return 1
    fi
    if ! command -v debootstrap >/dev/null 2>&1; then
        apt_install debootstrap || {
            WINE10_CAUSE="debootstrap could not be installed${TORVEXA_APT_CAUSE:+ ($TORVEXA_APT_CAUSE)}"
            return 1
        }
    fi
    local mirror log
    mirror=$(wine10_mirror)
    if [ -z "$mirror" ]; then
        WINE10_CAUSE="no Debian mirror found in this machine's apt sources"
        return 1
    fi
    say "Making the Debian 13 root for Wine 10 in $WINE10_CACHE (once; a few minutes) ..."
    rm -rf "$WINE10_CACHE"
    mkdir -p "$WINE10_CACHE"
    log=$(mktemp)
    if ! debootstrap --variant=minbase "$WINE10_SUITE" "$WINE10_CACHE" "$mirror" >"$log" 2>&1; then
        WINE10_CAUSE="debootstrap $WINE10_SUITE failed: $(grep -m1 -E '^(E|W): ' "$log" || tail -n 1 "$log")"
        tail -n 20 "$log"
        rm -f "$log"
        return 1
    fi
    wine10_enter || { rm -f "$log"; return 1; }
    local inside=(chroot "$WINE10_CACHE" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin
        HOME=/root DEBIAN_FRONTEND=noninteractive)
    if ! { "${inside[@]}" dpkg --add-architecture i386 &&
        "${inside[@]}" apt-get update -qq &&
        # shellcheck disable=SC2086
        "${inside[@]}" apt-get install -y -qq --no-install-recommends $WINE10_PACKAGES; } \
        >"$log" 2>&1; then
        WINE10_CAUSE="its packages could not be installed: $(grep -m1 -E '^E: ' "$log" | sed 's/^E: //')"
        tail -n 20 "$log"
        wine10_leave
        rm -f "$log"
        return 1
    fi
    "${inside[@]}" apt-get clean >/dev/null 2>&1
    wine10_leave
    rm -f "$log"
    date -u +%FT%TZ >"$stamp"
    WINE10_ROOT=$WINE10_CACHE
}

# Mounts, each recorded so that wine10_leave takes down exactly these, in reverse order.
wine10_enter() {
    local root=${WINE10_ROOT:-$WINE10_CACHE} what
    for what in /proc /sys /dev "$TORVEXA_ROOT"; do
        mkdir -p "$root$what"
        if mount --rbind "$what" "$root$what"; then
            mount --make-rslave "$root$what" 2>/dev/null
            WINE10_MOUNTS+=("$root$what")
        else
            WINE10_CAUSE="could not mount $what inside the root"
            wine10_leave
            return 1
        fi
    done
}

wine10_leave() {
    local i
    for ((i = ${#WINE10_MOUNTS[@]} - 1; i >= 0; i--)); do
        umount -R "${WINE10_MOUNTS[i]}" 2>/dev/null || umount -R -l "${WINE10_MOUNTS[i]}" 2>/dev/null
    done
    WINE10_MOUNTS=()
}

# The root's Xvfb takes display numbers apart from this machine's (an X server also listens on
# an abstract socket that every root shares), and its wine server lives in the root's own /tmp.
wine10_run() {
    chroot "$WINE10_ROOT" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
        LANG=C.UTF-8 TORVEXA_DISPLAYS="150 199" \
        ${TORVEXA_WINDOWS_BUILD+TORVEXA_WINDOWS_BUILD="$TORVEXA_WINDOWS_BUILD"} \
        ${TORVEXA_E2E_SCENARIOS+TORVEXA_E2E_SCENARIOS="$TORVEXA_E2E_SCENARIOS"} \
        ${TORVEXA_E2E_BUILD+TORVEXA_E2E_BUILD="$TORVEXA_E2E_BUILD"} \
        ${TORVEXA_SHOTS+TORVEXA_SHOTS="$TORVEXA_SHOTS"} \
        "$@"
}
