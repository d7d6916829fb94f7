#!/usr/bin/env bash
# Runs every Torvexa test: the logic on Linux against fakes (with sanitizers), then the real
# Windows layer and the whole program under Wine, then short fuzz runs and the static analysis.
# Installs what is missing when run as root. The quick loops run a part of it only, installing
# only what that part needs.
#
#   bash scripts/test.sh                  every test, as CI runs them
#   bash scripts/test.sh --quick          the host suite alone (Linux, ASan + UBSan)
#   bash scripts/test.sh --scenario NAME  one scenario, on each machine this one can run, under
#                                         both Wines
#   bash scripts/test.sh --scenario NAME --repeat N [--on MACHINE]
#                                         the same N times in a row on each machine (or on the one
#                                         named: 32-bit, xp, dpi144, ...), each time on a fresh
#                                         one: for a scenario that fails only now and then
set -uo pipefail
. "$(dirname "$0")/lib.sh"
cd "$TORVEXA_ROOT"

usage() {
    say "usage: bash scripts/test.sh [--quick | --scenario NAME [--repeat N] [--on MACHINE]]"
    exit 2
}
mode=all scenario= repeat=1 on=()
case "${1:-}" in
    "") [ $# -eq 0 ] || usage ;;
    --quick)
        [ $# -eq 1 ] || usage
        mode=quick
        ;;
    --scenario)
        [ $# -ge 2 ] && [ -n "$2" ] || usage
        mode=scenario scenario=$2
        shift 2
        while [ $# -gt 0 ]; do
            case "$1" in
                --repeat)
                    [ $# -ge 2 ] && [[ $2 =~ ^[1-9][0-9]*$ ]] || usage
                    repeat=$2
                    ;;
                --on)
                    [ $# -ge 2 ] && [ -n "$2" ] || usage
                    on=("$2")
                    ;;
                *) usage ;;
            esac
            shift 2
        done
        ;;
    *) usage ;;
esac

# The host suite: builds the host preset, runs its tests and sets host_line to ctest's count.
host_suite() {
    say "== Host suite (Linux, ASan + UBSan)"
    build_preset host || exit 1
    ctest --preset host -j"$TORVEXA_JOBS" >build/host-tests.log 2>&1 || status=1
    grep -E 'tests passed|\*\*\*Failed|\*\*\*Exception|Timeout' build/host-tests.log
    host_line=$(grep -E '[0-9]+% tests passed' build/host-tests.log)
    # The judgement's test says over how many machines it judged every answer.
    grep -hE '^Judgement: [0-9]+ combinations' build/host/Testing/Temporary/LastTest.log 2>/dev/null
}

if [ "$mode" = quick ]; then
    # The host preset's compiler, its sanitizers' runtimes (which come with g++) and GoogleTest.
    ensure_packages --only cmake g++ libgtest-dev
    status=0
    host_suite
    say "Host suite: ${host_line:-did not run}"
    [ -n "$host_line" ] || status=1
    exit $status
fi

# The second Windows for what follows: its root made (once) and entered, or why it cannot be.
# Sets wine10_line for the summary.
enter_wine10() {
    wine10_line=
    if ! wine10_ensure_root || ! wine10_enter; then
        wine10_line="not run: the Wine 10 root could not be made: $WINE10_CAUSE"
        say "$wine10_line"
        return 1
    fi
    trap 'cleanup_wine; wine10_leave' EXIT
}

if [ "$mode" = scenario ]; then
    ensure_packages
    status=0
    say "== Scenario $scenario (Torvexa.exe on a stand-in infected machine under Wine; $(windows_way))"
    # What tests/e2e/run.sh takes from the Windows build this machine runs (scripts/lib.sh).
    build_preset "$TORVEXA_WINDOWS_PRESET" Torvexa e2e_driver infect sleeper planted_dll || exit 1
    : >build/e2e-scenario.log
    wines=(8)
    enter_wine10 && wines+=(10)
    for round in $(seq "$repeat"); do
        [ "$repeat" -eq 1 ] || say "-- run $round of $repeat"
        for w in "${wines[@]}"; do
            if [ "$w" = 8 ]; then
                TORVEXA_E2E_BUILD=$TORVEXA_WINDOWS_DIR TORVEXA_E2E_SCENARIOS=$scenario \
                    bash tests/e2e/run.sh "${on[@]}" 2>&1 | tee -a build/e2e-scenario.log
            else
                TORVEXA_WINDOWS_BUILD=$TORVEXA_WINDOWS_PRESET TORVEXA_E2E_BUILD=$TORVEXA_WINDOWS_DIR \
                    TORVEXA_E2E_SCENARIOS=$scenario wine10_run bash "$TORVEXA_ROOT/tests/e2e/run.sh" \
                    "${on[@]}" 2>&1 | tee -a build/e2e-scenario.log
            fi
            [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
        done
    done
    wine10_leave
    if grep -qxE '0 passed, 0 failed' build/e2e-scenario.log; then
        say "No scenario is named '$scenario': the names are the first words of a full run's lines."
    elif [ "$repeat" -gt 1 ]; then
        # Per Wine and machine: how many of the runs passed.
        grep -oE "^\[[^]]+\] $scenario: " build/e2e-scenario.log | sed 's/ [^ ]*: $//' | sort -u |
            while read -r machine; do
                ok=$(grep -cF "$machine $scenario: passed" build/e2e-scenario.log)
                say "$machine $scenario: $ok of $repeat runs passed"
            done
    fi
    exit $status
fi

# The fuzzing and the static analysis need clang and its runtime, clang-tidy and cppcheck too,
# and the analysis reads the host benchmark, which needs Google Benchmark; the signing checks need
# openssl and osslsigncode.
ensure_packages $TORVEXA_CLANG_PACKAGES clang-tidy cppcheck python3 libbenchmark-dev openssl \
    osslsigncode
status=0

host_suite

say "== Wine suite (the real Windows layer under Wine)"
preset=$TORVEXA_WINDOWS_PRESET
windows=$TORVEXA_WINDOWS_DIR
build_preset "$preset" || exit 1
shipped=build/win32/Torvexa.exe probe=build/win32/win32_tests.exe
if [ "$preset" = win64 ]; then
    say "The Windows tests take $(windows_way): they run the same sources built for 64-bit"
    say "Windows, in 64-bit prefixes. The shipped 32-bit Torvexa.exe is built and its imports"
    say "checked, but not run."
    build_preset ship || exit 1
    build_preset win32 infect || exit 1
    shipped=build/ship/Torvexa.exe probe=build/win32/infect.exe
fi
# Wine exports every function whatever Windows it reports, so the reach of Torvexa.exe is read
# from its import table, against each Windows it starts on: one line for each of 98 SE, ME, 2000
# and XP. The check must also catch what it is for: the test programs, built with the -posix
# runtime, import GetTickCount64, which XP lacks.
bash tests/imports/check_imports.sh "$shipped" win98se winme win2k xp || status=1
caught=$(bash tests/imports/check_imports.sh "$probe" xp)
if ! grep -q 'imports KERNEL32.dll!GetTickCount64' <<<"$caught"; then
    say "imports: FAILED: the check did not catch $(basename "$probe")'s GetTickCount64"
    status=1
fi
trap cleanup_wine EXIT
start_xvfb || exit 1
make_wine_prefix
# One test at a time: the staged tests change the prefix that all of them share.
ctest --preset "$preset" -j1 >build/win32-tests.log 2>&1 || status=1
grep -E 'tests passed|\*\*\*Failed|\*\*\*Exception|Timeout|Error' build/win32-tests.log
wine_line=$(grep -E '[0-9]+% tests passed' build/win32-tests.log)

say "== Scenarios (Torvexa.exe on a stand-in infected machine under Wine)"
TORVEXA_E2E_BUILD=$windows bash tests/e2e/run.sh 2>&1 | tee build/e2e-tests.log
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
e2e_line=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' build/e2e-tests.log | tail -n 1)

# Wine implements every W function whatever Windows it reports: only its relay trace shows that on
# 98 and ME the program calls none that those systems only stub. The 32-bit way only (98 and ME
# are 32-bit machines).
relay_line="not run: the Windows tests take $(windows_way)"
if [ "$preset" = win32 ]; then
    say "== Relay check (Torvexa.exe's own calls on the 98 and ME machines, under Wine's relay trace)"
    bash tests/imports/relay_check.sh "$windows" 2>&1 | tee build/relay-tests.log
    [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
    relay_passed=$(grep -cE '^relay: \[[a-z0-9]+\] passed' build/relay-tests.log)
    relay_failed=$(grep -cE '^relay: .*FAILED' build/relay-tests.log)
    relay_line="$relay_passed passed, $relay_failed failed"
fi

# The second Windows: the same Torvexa.exe and scenarios under Wine 10.0, in a Debian 13 root of
# its own (scripts/wine10.sh), on the 32-bit, 64-bit, XP and 98 machines and at every display
# scaling (on a machine that runs no 32-bit code, the 64-bit one alone). Its fonts, DPI handling
# and timing are not Wine 8's.
wine8_name="Wine $(wine_version)"
say "== Scenarios under the second Windows (Wine 10 in a Debian 13 root)"
e2e10_line=
if enter_wine10; then
    # Debian's `wine` takes the 32-bit loader, which a machine without 32-bit code cannot run.
    wine10_name="Wine $(wine10_run sh -c 'wine --version 2>/dev/null || /usr/lib/wine/wine64 --version' |
        sed -n 's/^wine-\([0-9.]*\).*/\1/p')"
    machines10=()
    [ "$preset" = win32 ] && machines10=(32-bit 64-bit xp win98 dpi120 dpi144 dpi168 dpi192)
    TORVEXA_WINDOWS_BUILD=$preset TORVEXA_E2E_BUILD=$windows \
        TORVEXA_SHOTS=$TORVEXA_ROOT/build/screenshots-wine10 \
        wine10_run bash "$TORVEXA_ROOT/tests/e2e/run.sh" "${machines10[@]}" 2>&1 |
        tee build/e2e10-tests.log
    [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
    e2e10_line=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' build/e2e10-tests.log | tail -n 1)
    [ -n "$e2e10_line" ] || status=1
    wine10_leave
    trap cleanup_wine EXIT
    wine10_line="$wine10_name (Debian 13 root in $WINE10_ROOT)"
fi

say "== Release (the shipped Torvexa.exe, rebuilt elsewhere, byte for byte, and signed)"
# The release command run in another copy of this checkout, at another path, must give exactly
# the Torvexa.exe that the tests above ran, as its unsigned build; it signs it with a throw-away
# identity. The copy has no git history, so the commit's date comes as SOURCE_DATE_EPOCH.
repro=$(mktemp -d /tmp/torvexa-repro.XXXXXX)
mkdir -p "$repro/another/copy"
git ls-files -z | tar --null -T - -c | tar -x -C "$repro/another/copy"
bash tests/sign/make_keys.sh "$repro/keys" >"$repro/keys.log" 2>&1 || cat "$repro/keys.log"
TORVEXA_SIGN_PFX=$repro/keys/signer.pfx TORVEXA_SIGN_PASSWORD_FILE=$repro/keys/password \
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct) \
    bash "$repro/another/copy/scripts/release.sh" --out "$repro/dist" >"$repro/release.log" 2>&1
tested=$(sha256sum "$shipped" | cut -d' ' -f1)
released=$(cut -d' ' -f1 "$repro/dist/unsigned/Torvexa.exe.sha256" 2>/dev/null)
# The guide beside it must be this checkout's, byte for byte (the host suite checks its form).
guide=$(sha256sum resources/LEEME.txt | cut -d' ' -f1)
guide_released=$(sha256sum "$repro/dist/LEEME.txt" 2>/dev/null | cut -d' ' -f1)
if [ -n "$released" ] && [ "$released" = "$tested" ] && [ "$guide_released" = "$guide" ]; then
    release_line="reproducible: SHA-256 $released in both builds; LEEME.txt as in the checkout"
else
    cat "$repro/release.log"
    release_line="NOT reproducible: tested ${tested:-none}, released ${released:-none}"
    release_line+="; LEEME.txt ${guide_released:-missing} for $guide"
    status=1
fi
say "$release_line"

say "== Signing (the signed release verified, signed again, and run in one scenario)"
bash tests/sign/check_signing.sh "$repro" "$windows" 2>&1 | tee build/signing-tests.log
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
signing_line=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' build/signing-tests.log | tail -n 1)
[ -n "$signing_line" ] || status=1
rm -rf "$repro"

say "== Fuzzing (libFuzzer, ASan + UBSan, 30 s per target)"
bash scripts/fuzz.sh 30 2>&1 | tee build/fuzz-tests.log
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
fuzz_passed=$(grep -cE ' runs  passed$' build/fuzz-tests.log)
fuzz_failed=$(grep -cE ' runs  FAILED' build/fuzz-tests.log)
fuzz_line="$fuzz_passed targets passed, $fuzz_failed failed"

say "== Static analysis (clang-tidy and cppcheck over our own code)"
bash scripts/lint.sh >build/lint.log 2>&1 || status=1
grep -vE '^(clang-tidy|cppcheck|layers): ' build/lint.log | head -n 60
lint_line=$(grep -E '^(clang-tidy|cppcheck|layers): ' build/lint.log | paste -sd ';' | sed 's/;/; /g')
say "${lint_line:-static analysis did not run}"

# Totals over the three suites, the relay check and the signing checks: "N% tests passed, F tests failed out of T"
# and "P passed, F failed".
passed=0 failed=0
for line in "$host_line" "$wine_line"; do
    if [[ $line =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
        failed=$((failed + BASH_REMATCH[1]))
        passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
    fi
done
for line in "$e2e_line" "$e2e10_line" "$signing_line" "$relay_line"; do
    if [[ $line =~ ^([0-9]+)\ passed,\ ([0-9]+)\ failed$ ]]; then
        passed=$((passed + BASH_REMATCH[1]))
        failed=$((failed + BASH_REMATCH[2]))
    fi
done

say ""
say "Windows:    $(windows_way)"
say "Wines:      $wine8_name (this machine's); ${wine10_line}"
say "Host suite: ${host_line:-did not run}"
say "Wine suite: ${wine_line:-did not run} ($wine8_name)"
say "Scenarios:  ${e2e_line:-did not run} ($wine8_name)"
say "Scenarios:  ${e2e10_line:-did not run} (${wine10_name:-Wine 10})"
say "Relay:      $relay_line"
say "Release:    $release_line"
say "Signing:    ${signing_line:-did not run}"
say "Fuzzing:    $fuzz_line"
say "Analysis:   ${lint_line:-did not run}"
[ $status -eq 0 ] || say "Some Torvexa tests FAILED (logs in build/)."
[ $passed -gt 0 ] || status=1
say "Torvexa: $passed passed, $failed failed"
exit $status
