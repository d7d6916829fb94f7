#!/usr/bin/env bash
# Signs a Torvexa.exe with Authenticode, with the code-signing certificate and key of the PKCS#12
# file named by TORVEXA_SIGN_PFX and its password in the file named by TORVEXA_SIGN_PASSWORD_FILE
# (an empty file for a PKCS#12 file without one). Two signatures: a SHA-1 one first, which is all
# that Windows XP SP3 reads, and a SHA-256 one nested in it, which later Windows checks. Both carry
# the same signing time, the date of the commit (or SOURCE_DATE_EPOCH, in a copy without git
# history), and no time stamp from a server, so the same input, certificate and key give the same
# bytes every time. The password is read from its file, never put on a command line. Installs
# osslsigncode when run as root. The release command calls it; it can also sign a build again.
#
#   bash scripts/sign.sh UNSIGNED SIGNED
set -uo pipefail
. "$(dirname "$0")/lib.sh"

if [ $# -ne 2 ]; then
    say "usage: bash scripts/sign.sh UNSIGNED SIGNED (with TORVEXA_SIGN_PFX and TORVEXA_SIGN_PASSWORD_FILE)"
    exit 2
fi
unsigned=$1 signed=$2
pfx=${TORVEXA_SIGN_PFX:-} password=${TORVEXA_SIGN_PASSWORD_FILE:-}
for f in "$unsigned" "$pfx" "$password"; do
    if [ ! -f "$f" ] || [ ! -r "$f" ]; then
        say "signing: cannot read '$f' (TORVEXA_SIGN_PFX and TORVEXA_SIGN_PASSWORD_FILE must name readable files)"
        exit 2
    fi
done

# The signing time: SOURCE_DATE_EPOCH when set, otherwise the date of this checkout's own commit.
# A copy without its own git history inside another repository must not take that one's date.
if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
    when=$SOURCE_DATE_EPOCH
elif [ "$(git -C "$TORVEXA_ROOT" rev-parse --show-toplevel 2>/dev/null)" = "$TORVEXA_ROOT" ]; then
    when=$(git -C "$TORVEXA_ROOT" log -1 --format=%ct)
else
    when=
fi
if ! [[ $when =~ ^[0-9]+$ ]]; then
    say "signing: no signing time: $TORVEXA_ROOT is not a git checkout and SOURCE_DATE_EPOCH is not a number"
    exit 2
fi

ensure_packages osslsigncode
work=$(mktemp -d /tmp/torvexa-sign.XXXXXX)
trap 'rm -rf "$work"' EXIT
# osslsigncode refuses an empty password file; a PKCS#12 file without a password opens without one.
readpass=()
[ ! -s "$password" ] || readpass=(-readpass "$password")
# -n names the program in the signature: Windows shows it in the administrator prompt.
sign() {
    osslsigncode sign -pkcs12 "$pfx" "${readpass[@]}" -n Torvexa -time "$when" "$@" </dev/null
}
if ! { sign -h sha1 -in "$unsigned" -out "$work/sha1.exe" &&
    sign -h sha256 -nest -in "$work/sha1.exe" -out "$work/signed.exe"; } >"$work/log" 2>&1; then
    cat "$work/log"
    say "signing: FAILED: osslsigncode could not sign $unsigned"
    exit 1
fi
# SIGNED is written only once both signatures are in: a failed signing never leaves half a file.
mv "$work/signed.exe" "$signed"
say "signed $signed: SHA-1 and nested SHA-256, signing time $(date -u -d "@$when" '+%Y-%m-%d %H:%M:%S UTC')"
