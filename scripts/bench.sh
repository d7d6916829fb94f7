#!/usr/bin/env bash
# Benchmarks: Torvexa.exe against floors of our own and against the batch file a user would write,
# measured in the same run, alternating, as medians. Prints a table; a missed goal is a figure, not
# a failure. Builds what it measures (the Windows preset this machine runs: win32, or win64 where
# it runs no 32-bit code), then works in a throw-away Wine prefix under a private Xvfb, which it
# always removes. The file size is always the shipped 32-bit Torvexa.exe's against the 32-bit
# floor's, both from the ship build. The machine's load is printed with the table: other work
# running at the same time makes the times noisy.
#
#   bash scripts/bench.sh   TORVEXA_BENCH_RUNS (default 15) samples per program and figure;
#                           TORVEXA_BENCH_SAMPLES=FILE keeps the raw samples there
set -uo pipefail
. "$(cd "$(dirname "$0")/.." && pwd)/sandbox/sandbox.sh"

runs=${TORVEXA_BENCH_RUNS:-15}
samples=$(mktemp)
finish() {
    cleanup_wine
    if [ -n "${TORVEXA_BENCH_SAMPLES:-}" ]; then cp "$samples" "$TORVEXA_BENCH_SAMPLES"; fi
    rm -f "$samples"
}

# The median of the samples "<figure> <program> <value>" of one figure and program ("" if none).
median() {
    awk -v f="$1" -v p="$2" '$1 == f && $2 == p { print $3 }' "$samples" | sort -g |
        awk '{ v[NR] = $1 } END { if (NR) printf "%.1f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

bench_header() {
    printf '%-6s %-44s %14s %14s %8s %8s %5s\n' figure what "median A" "median B" "A/B" goal met?
}

# One row of the table: FIGURE WHAT A B UNIT GOAL, where the ratio is A / B and GOAL reads
# "<= 1.15" or ">= 5". An empty A or B (no samples) prints n/a.
bench_row() {
    local figure=$1 what=$2 a=$3 b=$4 unit=$5 goal=$6 ratio=n/a met=n/a
    if [ -n "$a" ] && [ -n "$b" ]; then
        ratio=$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
        met=$(awk -v r="$ratio" -v g="$goal" 'BEGIN {
            split(g, p, " "); ok = p[1] == "<=" ? r <= p[2] + 0 : r >= p[2] + 0
            print ok ? "yes" : "no" }')
    fi
    printf '%-6s %-44s %14s %14s %8s %8s %5s\n' "$figure" "$what" "${a:-n/a} $unit" \
        "${b:-n/a} $unit" "$ratio" "$goal" "$met"
}

ensure_packages libbenchmark-dev
build=$TORVEXA_WINDOWS_DIR
ship=$TORVEXA_ROOT/build/ship
start=$(date +%s)
say "Building and running the lookup benchmark (bench preset, on this machine) ..."
build_preset bench lookup_scaling || exit 1
lookup_log=$TORVEXA_ROOT/build/bench/lookup_scaling.txt
"$TORVEXA_ROOT/build/bench/bench/lookup/lookup_scaling" >"$lookup_log" 2>&1
sed -n '/^ns per entry/,/^lookup-scaling /p' "$lookup_log" | grep -v '^lookup-scaling '
# "lookup-scaling" then largest and smallest of: ns per entry, lookup/floor, first lookup/floor.
read -r _ raw_high raw_low ratio_high ratio_low first_high first_low < <(grep '^lookup-scaling ' "$lookup_log")

say "Building Torvexa.exe and the benchmark programs ($TORVEXA_WINDOWS_PRESET preset) ..."
# Only what is measured: the launcher's dependencies are Torvexa.exe, the floors and the planting
# tool; and the shipped exe with its window floor, for their sizes.
build_preset "$TORVEXA_WINDOWS_PRESET" bench_launcher || exit 1
build_preset ship Torvexa floor_window || exit 1
trap finish EXIT
start_xvfb || exit 1
say "Making a throw-away Wine prefix ..."
sandbox_make
# The wine server stays up between the programs, and one program has already started Wine's
# services and its desktop before anything is timed.
wineserver -p
wine cmd /c exit >/dev/null 2>&1

status=0
load_before=$(cut -d' ' -f1 /proc/loadavg)
say "Measuring ($runs runs per program and figure) ..."
# Start-up first: Torvexa.exe must find a clean machine. The disinfection runs infect it.
for figure in startup disinfect; do
    if ! timeout 900 wine "$build/bench_launcher.exe" "$figure" "$runs" >>"$samples"; then
        status=1
    fi
done
grep -E '^(error|left) ' "$samples"

say ""
say "Torvexa benchmarks, $(date -u '+%Y-%m-%d %H:%M UTC'); $(nproc) cores, $(uname -m)," \
    "$(wine --version 2>/dev/null) ($TORVEXA_WINDOWS_PRESET build, $WINEARCH prefix), Xvfb;" \
    "$runs runs each; 1-minute load average $load_before before, $(cut -d' ' -f1 /proc/loadavg) after"
bench_header
bench_row 1 "start-up to first paint: Torvexa / floor" \
    "$(median startup torvexa)" "$(median startup floor)" ms "<= 1.15"
bench_row 2a "disinfection: Torvexa / floor" \
    "$(median disinfect torvexa)" "$(median disinfect floor)" ms "<= 1.5"
bench_row 2b "disinfection: batch file / Torvexa" \
    "$(median disinfect batch)" "$(median disinfect torvexa)" ms ">= 5"
bench_row 3a "lookup per entry: slowest / fastest size" "$raw_high" "$raw_low" ns "<= 1.5"
bench_row 3b "lookup / floor: largest / smallest" "$ratio_high" "$ratio_low" x "<= 1.5"
bench_row 4a "file size: shipped Torvexa.exe / floor" \
    "$(stat -c %s "$ship/Torvexa.exe")" "$(stat -c %s "$ship/floor_window.exe")" B "<= 1.35"
bench_row 4b "peak working set: Torvexa / floor" \
    "$(median peak_kib torvexa)" "$(median peak_kib floor)" KiB "<= 1.15"
say "(measured in $(($(date +%s) - start)) s)"
exit "$status"
