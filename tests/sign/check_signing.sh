#!/usr/bin/env bash
# Checks a signed release: RELEASE is the folder that the release command signed into, holding
# dist/ (its output), keys/ (tests/sign/make_keys.sh's throw-away identity, which it signed with)
# and release.log (what it printed). BUILD is the Windows build folder whose scenario programs run
# the signed Torvexa.exe under Wine. One line per check, then "N passed, M failed".
#
#   bash tests/sign/check_signing.sh RELEASE BUILD
set -uo pipefail
. "$(cd "$(dirname "$0")/../.." && pwd)/scripts/lib.sh"

release=${1:?usage: bash tests/sign/check_signing.sh RELEASE BUILD}
build=${2:?usage: bash tests/sign/check_signing.sh RELEASE BUILD}
dist=$release/dist keys=$release/keys
signed=$dist/Torvexa.exe unsigned=$dist/unsigned/Torvexa.exe
work=$(mktemp -d /tmp/torvexa-signing.XXXXXX)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
check() {
    local name=$1 why=$2
    if [ -z "$why" ]; then
        say "$name: passed"
        passed=$((passed + 1))
    else
        say "$name: FAILED: $why"
        failed=$((failed + 1))
    fi
}

# The release printed both SHA-256, and each .sha256 file holds its file's.
why=
for f in "$unsigned" "$signed"; do
    sum=$(cd "$(dirname "$f")" && sha256sum -c --quiet Torvexa.exe.sha256 2>&1 && cut -d' ' -f1 Torvexa.exe.sha256)
    grep -q "^SHA-256 .*: $sum$" "$release/release.log" 2>/dev/null || why+="${f#"$release"/} not printed or its .sha256 wrong; "
done
cmp -s "$unsigned" "$signed" && why+="the shipped file is the unsigned one; "
check release_prints_both_hashes "${why%; }"

# Both signatures verify against the throw-away root, and only against it: the SHA-1 one first
# (all that Windows XP SP3 reads), the SHA-256 one nested, both signed at the commit's date.
osslsigncode verify -CAfile "$keys/root.pem" -in "$signed" >"$work/verify.log" 2>&1
verified=$?
ok=$(grep -c '^Signature verification: ok$' "$work/verify.log")
[ $verified -eq 0 ] && [ "$ok" -eq 2 ] && why= ||
    why="osslsigncode verify with the root: exit code $verified, $ok signatures ok"
osslsigncode verify -in "$signed" >/dev/null 2>&1 && why="verified without the throw-away root"
check both_signatures_verify "$why"
digests=$(sed -nE 's/^Message digest algorithm +: +([A-Z0-9]+) *$/\1/p' "$work/verify.log" | paste -sd ' ')
[ "$digests" = "SHA1 SHA256" ] && why= || why="digests in order: '$digests', expected 'SHA1 SHA256'"
check sha1_first_sha256_nested "$why"
commit_time=$(git -C "$TORVEXA_ROOT" log -1 --format=%ct)
expected="Signing time: $(date -u -d "@$commit_time" '+%b %e %H:%M:%S %Y') GMT"
times=$(grep -oE 'Signing time: .*' "$work/verify.log" | sort | uniq -c | sed -E 's/^ *//' | paste -sd ',')
[ "$times" = "2 $expected" ] && why= || why="found '$times', expected '2 $expected'"
check signed_at_commit_date "$why"

# Signing again, here with the commit date read from git rather than given, gives the same bytes;
# a wrong password fails and writes nothing.
TORVEXA_SIGN_PFX=$keys/signer.pfx TORVEXA_SIGN_PASSWORD_FILE=$keys/password \
    env -u SOURCE_DATE_EPOCH bash "$TORVEXA_ROOT/scripts/sign.sh" "$unsigned" "$work/again.exe" \
    >"$work/again.log" 2>&1
cmp -s "$signed" "$work/again.exe" && why= || why="signed twice, different bytes: $(tail -n 1 "$work/again.log")"
check signed_twice_same_bytes "$why"
printf 'not the password\n' >"$work/wrong"
TORVEXA_SIGN_PFX=$keys/signer.pfx TORVEXA_SIGN_PASSWORD_FILE=$work/wrong \
    bash "$TORVEXA_ROOT/scripts/sign.sh" "$unsigned" "$work/wrong.exe" >"$work/wrong.log" 2>&1
code=$?
why=
[ $code -ne 0 ] || why="signing with a wrong password succeeded; "
[ ! -e "$work/wrong.exe" ] || why+="it left a file"
check wrong_password_fails "${why%; }"

# The signed Torvexa.exe runs under Wine as the unsigned one does: one scenario, from a folder of
# the scenario programs where it stands in for the tested build. A machine that runs no 32-bit
# code cannot run it: there the 64-bit build of the same sources is signed the same way and runs.
mkdir -p "$work/build"
for f in e2e_driver.exe infect.exe sleeper.exe planted_dll.dll; do cp "$build/$f" "$work/build/"; done
machine=32-bit
if [ "${TORVEXA_WINDOWS_PRESET:-win32}" = win32 ]; then
    cp "$signed" "$work/build/Torvexa.exe"
else
    machine=64-bit
    TORVEXA_SIGN_PFX=$keys/signer.pfx TORVEXA_SIGN_PASSWORD_FILE=$keys/password \
        bash "$TORVEXA_ROOT/scripts/sign.sh" "$build/Torvexa.exe" "$work/build/Torvexa.exe" \
        >"$work/sign64.log" 2>&1 || cat "$work/sign64.log"
fi
TORVEXA_E2E_BUILD=$work/build TORVEXA_E2E_SCENARIOS=both_worms_yes_without_messenger \
    bash "$TORVEXA_ROOT/tests/e2e/run.sh" $machine >"$work/scenario.log" 2>&1
grep -qxE "\[Wine [0-9.]+ $machine\] both_worms_yes_without_messenger: passed" "$work/scenario.log" &&
    grep -qx '1 passed, 0 failed' "$work/scenario.log" && why= ||
    why="the scenario did not pass: $(grep -E 'FAILED' "$work/scenario.log" | head -n 3 | paste -sd ' ')"
check signed_exe_runs_scenario "$why"

say "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
