#!/usr/bin/env bash
# Fuzzes the program's logic with libFuzzer (clang, AddressSanitizer + UndefinedBehaviorSanitizer),
# one target after the other, each over the real module code with the scripted fakes beneath:
#   fuzz_registry        Registro: key-path split and DeleteRegValue (any path, any value name)
#   fuzz_version_block   mclsFileProperties::FindFileInfo's version-string search (8-bit and
#                        UTF-16 blocks, sizes around 32,767 and 65,535 bytes)
#   fuzz_process_lookup  mdlProcess::GetProcessIdByName over any process table and name
#   fuzz_error_report    mdlErrorHandle's one-line reports (any number, any texts)
#   fuzz_pending_list    the restart list read from the registry (any data, cut anywhere)
#   fuzz_command_line    the command line split and its switches read (any text, any length)
#
# Usage:
#   bash scripts/fuzz.sh          30 seconds per target: the short run of the test command
#   bash scripts/fuzz.sh 900      a longer search: 15 minutes per target (any number of seconds)
#
# Each target starts from a copy of its seed corpus (tests/fuzz/corpus/<target>/) in a temporary
# folder, so a run never writes into the repository. Crashes, leaks, undefined behaviour and broken
# expectations about the results all fail a target. One line per target: its name, the inputs run,
# and "passed" or "FAILED" with the input that failed, kept under build/fuzz/findings/<target>/
# with the run's log; to replay one, run build/fuzz/tests/fuzz/<target> <input>
# The exit status is non-zero when any target failed.
set -uo pipefail
. "$(dirname "$0")/lib.sh"
cd "$TORVEXA_ROOT"

seconds=${1:-30}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
    say "usage: bash scripts/fuzz.sh [seconds-per-target]"
    exit 2
fi

# Only what this command needs; the other commands keep their own list.
ensure_packages --only cmake $TORVEXA_CLANG_PACKAGES
say "Building the fuzz targets (preset 'fuzz')..."
build_preset fuzz || exit 1

targets=(fuzz_registry fuzz_version_block fuzz_process_lookup fuzz_error_report fuzz_pending_list
         fuzz_command_line)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

for t in "${targets[@]}"; do
    findings=build/fuzz/findings/$t
    rm -rf "$findings"
    mkdir -p "$findings"
    cp -r "tests/fuzz/corpus/$t" "$work/$t"
    log=$findings/log.txt
    ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0 UBSAN_OPTIONS=print_stacktrace=1 \
        "build/fuzz/tests/fuzz/$t" -max_total_time="$seconds" -detect_leaks=1 -timeout=20 \
        -print_final_stats=1 -artifact_prefix="$findings/" "$work/$t" >"$log" 2>&1
    rc=$?
    runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$' | tail -n 1)
    [ -n "$runs" ] || runs=$(grep -oE '^#[0-9]+' "$log" | tail -n 1 | tr -d '#')
    found=$(find "$findings" -type f ! -name log.txt | head -n 1)
    if [ "$rc" -eq 0 ] && [ -z "$found" ]; then
        printf '%-20s %12s runs  passed\n' "$t" "${runs:-?}"
    else
        printf '%-20s %12s runs  FAILED: %s (log: %s)\n' "$t" "${runs:-?}" "${found:-no input kept}" "$log"
        status=1
    fi
    rm -rf "${work:?}/$t"
done
exit "$status"
