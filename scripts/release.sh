#!/usr/bin/env bash
# Builds the Torvexa.exe that ships, from a clean build folder, writes it to dist/Torvexa.exe with
# dist/Torvexa.exe.sha256, and prints its SHA-256. The build is reproducible: the same commit gives
# the same bytes in any clone, at any path, at any time (no time stamp in the PE header, no build
# path in the code, resources compiled without dates), so anyone can rebuild it and compare.
#
# With TORVEXA_SIGN_PFX and TORVEXA_SIGN_PASSWORD_FILE set, dist/Torvexa.exe is signed instead
# (scripts/sign.sh: SHA-1 with a nested SHA-256 signature, signed at the commit's date), and the
# unsigned build, the one anyone can rebuild, goes to dist/unsigned/Torvexa.exe with its own
# .sha256; both SHA-256 are printed. A signing that fails fails the command and leaves no
# dist/Torvexa.exe. Installs what is missing when run as root.
#
# Beside the program goes dist/LEEME.txt, the guide for the person at the PC, copied byte for
# byte from resources/LEEME.txt: it is kept there in the form every Notepad from 98 to 11 reads
# (Windows-1252 without a byte-order mark, CR LF line ends; .gitattributes keeps git from
# converting them), so every clone ships the same bytes. A signed release leaves it as it is; dist/unsigned/ holds the build
# alone, and the one guide serves both.
#
#   bash scripts/release.sh            into dist/ of this checkout
#   bash scripts/release.sh --out DIR  into DIR
set -uo pipefail
. "$(dirname "$0")/lib.sh"
cd "$TORVEXA_ROOT"

out=$TORVEXA_ROOT/dist
case "${1:-}" in
    "") ;;
    --out) out=${2:?usage: bash scripts/release.sh [--out DIR]} ;;
    *)
        say "usage: bash scripts/release.sh [--out DIR]"
        exit 2
        ;;
esac

signing=
if [ -n "${TORVEXA_SIGN_PFX:-}${TORVEXA_SIGN_PASSWORD_FILE:-}" ]; then
    if [ -z "${TORVEXA_SIGN_PFX:-}" ] || [ -z "${TORVEXA_SIGN_PASSWORD_FILE:-}" ]; then
        say "To sign, set both TORVEXA_SIGN_PFX and TORVEXA_SIGN_PASSWORD_FILE; to build unsigned, neither."
        exit 2
    fi
    signing=1
fi

ensure_packages
# Nothing of an earlier release may pass for this one's.
rm -rf "$out/Torvexa.exe" "$out/Torvexa.exe.sha256" "$out/unsigned" "$out/LEEME.txt"
build=$(mktemp -d /tmp/torvexa-release.XXXXXX)
trap 'rm -rf "$build"' EXIT
say "Building the shipped Torvexa.exe in a clean folder ..."
build_preset -B "$build" ship Torvexa || exit 1

# Writes FILE's SHA-256 beside it, in the form sha256sum -c reads, and prints both.
publish() {
    local file=$1 what=$2
    (cd "$(dirname "$file")" && sha256sum "$(basename "$file")" >"$(basename "$file").sha256")
    say "$file ($(stat -c %s "$file") bytes)"
    say "SHA-256$what: $(cut -d' ' -f1 "$file.sha256")"
}

# The guide, once the program it explains is in place.
guide() {
    cp "$TORVEXA_ROOT/resources/LEEME.txt" "$out/LEEME.txt" || exit 1
    say "$out/LEEME.txt ($(stat -c %s "$out/LEEME.txt") bytes): the guide, in Spanish"
}

if [ -z "$signing" ]; then
    mkdir -p "$out"
    cp "$build/Torvexa.exe" "$out/Torvexa.exe"
    publish "$out/Torvexa.exe" ""
    guide
    exit 0
fi
mkdir -p "$out/unsigned"
cp "$build/Torvexa.exe" "$out/unsigned/Torvexa.exe"
publish "$out/unsigned/Torvexa.exe" " of the unsigned build (rebuild and compare)"
bash "$TORVEXA_ROOT/scripts/sign.sh" "$out/unsigned/Torvexa.exe" "$out/Torvexa.exe" || exit 1
publish "$out/Torvexa.exe" " of the signed Torvexa.exe (the one to ship)"
guide
