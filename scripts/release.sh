#!/usr/bin/env bash
# Builds the Torvexa.exe that ships, from a clean build folder, writes it to dist/Torvexa.exe with
# dist/Torvexa.exe.sha256, and prints its SHA-256. The build is reproducible: the same commit gives
# the same bytes in any clone, at any path, at any time (no time stamp in the PE header, no build
# path in the code, resources compiled without dates), so anyone can rebuild it and compare.
# Installs what is missing when run as root.
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

ensure_packages
build=$(mktemp -d /tmp/torvexa-release.XXXXXX)
trap 'rm -rf "$build"' EXIT
say "Building the shipped Torvexa.exe in a clean folder ..."
if ! { cmake --preset ship -B "$build" && cmake --build "$build" --target Torvexa -j2; } \
    >"$build/build.log" 2>&1; then
    cat "$build/build.log"
    say "The build failed."
    exit 1
fi
mkdir -p "$out"
cp "$build/Torvexa.exe" "$out/Torvexa.exe"
(cd "$out" && sha256sum Torvexa.exe >Torvexa.exe.sha256)
say "$out/Torvexa.exe ($(stat -c %s "$out/Torvexa.exe") bytes)"
say "SHA-256: $(cut -d' ' -f1 "$out/Torvexa.exe.sha256")"
