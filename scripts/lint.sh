#!/usr/bin/env bash
# Static analysis of Torvexa's own code: clang-tidy (the checks in .clang-tidy) through the host
# and the win32 compile databases, and cppcheck. Prints one summary line for each and fails on any
# finding. Installs what is missing when run as root.
set -uo pipefail
. "$(dirname "$0")/lib.sh"
cd "$TORVEXA_ROOT"

ensure_packages clang-tidy cppcheck python3 $TORVEXA_CLANG_PACKAGES libbenchmark-dev
status=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Configuring is enough: the analysis reads compile_commands.json and builds nothing.
for preset in host win32 ship fuzz bench; do
    if ! cmake --preset "$preset" >"$work/configure.log" 2>&1; then
        cat "$work/configure.log"
        say "Configuring '$preset' failed."
        exit 1
    fi
done

# Our own folders, as the build reads them.
mapfile -t folders < <(awk '!/^#/ && NF { print $2 }' cmake/source_folders.txt)
ours="^($(IFS='|'; echo "${folders[*]}"))/"

# Our translation units in a compile database that no database before it gave: nothing under
# build/ or outside the repository. A file built in several presets (the logic is compiled for
# Linux and for Windows) is analysed once, in the first: host, win32, ship, fuzz, bench.
: >"$work/seen"
own_files() {
    python3 - "$1" "$TORVEXA_ROOT" "$ours" "$work/seen" <<'EOF'
import json, os, re, sys
db, root, pattern, seen_file = sys.argv[1], sys.argv[2], re.compile(sys.argv[3]), sys.argv[4]
seen = set(open(seen_file).read().split())
new = []
for entry in json.load(open(db)):
    path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
    rel = os.path.relpath(path, root)
    if rel.startswith("..") or not pattern.match(rel) or rel in seen:
        continue
    seen.add(rel)
    new.append(rel)
open(seen_file, "a").write("".join(f + "\n" for f in new))
print("\n".join(new))
EOF
}

# The portable code and its Linux tests through the host database; the Windows layer, its tests
# under Wine, the sandbox machine's programs and the scenario driver through the win32 one; the
# entry point and the floors, built only with Torvexa.exe, through the ship one; the fuzz targets
# and the host benchmark through their own. Windows code is parsed as i686 MinGW-w64 code with the
# cross compiler's C++ library and Windows headers and clang's own built-in headers (GCC's own
# include folder holds GCC-only intrinsics).
host_files=$(own_files build/host/compile_commands.json)
win32_files=$(own_files build/win32/compile_commands.json)
ship_files=$(own_files build/ship/compile_commands.json)
fuzz_files=$(own_files build/fuzz/compile_commands.json)
bench_files=$(own_files build/bench/compile_commands.json)
if [ -z "$host_files" ] || [ -z "$win32_files" ] || [ -z "$ship_files" ] || [ -z "$fuzz_files" ] ||
    [ -z "$bench_files" ]; then
    say "clang-tidy: no files found in the compile databases (build/host, win32, ship, fuzz, bench)"
    exit 1
fi
gcc_include=$(ls -d /usr/lib/gcc/i686-w64-mingw32/*-posix/include | sort -V | tail -n 1)
clang_include=$(ls -d /usr/lib/llvm-*/lib/clang/*/include | sort -V | tail -n 1)
export TORVEXA_TIDY_WIN32_ARGS="--extra-arg-before=--target=i686-w64-mingw32 --extra-arg=-nostdinc
    --extra-arg=-isystem$gcc_include/c++ --extra-arg=-isystem$gcc_include/c++/i686-w64-mingw32
    --extra-arg=-isystem$gcc_include/c++/backward --extra-arg=-isystem$clang_include
    --extra-arg=-isystem/usr/i686-w64-mingw32/include"
export TORVEXA_TIDY_FILTER="^$TORVEXA_ROOT/${ours#^}"
export TORVEXA_TIDY_OUT="$work/tidy"
mkdir "$TORVEXA_TIDY_OUT"

# One file: "host FILE" or "win32 FILE"; each report goes to a file of its own, so that the two
# parallel runs never interleave their lines.
tidy_one() {
    local out="$TORVEXA_TIDY_OUT/$1_${2//\//_}"
    local -a args=(--quiet --header-filter="$TORVEXA_TIDY_FILTER")
    if [ "$1" = win32 ] || [ "$1" = ship ]; then
        # shellcheck disable=SC2206  # words without blanks
        args+=(-p "build/$1" $TORVEXA_TIDY_WIN32_ARGS)
    else
        args+=(-p "build/$1")
    fi
    if ! clang-tidy "${args[@]}" "$2" >"$out.log" 2>"$out.err"; then
        # A file that could not be analysed is a finding too, whatever the reason.
        printf '%s:1:1: error: clang-tidy could not analyse this file\n' "$2" >>"$out.log"
        cat "$out.err" >>"$out.log"
    fi
    return 0
}
export -f tidy_one

# All databases share one pool of workers, one per processor; the tests, the slowest to parse,
# start first.
{
    printf 'host %s\n' $host_files
    printf 'win32 %s\n' $win32_files
    printf 'ship %s\n' $ship_files
    printf 'fuzz %s\n' $fuzz_files
    printf 'bench %s\n' $bench_files
} | sort -k2,2 | awk '{ print ($2 ~ /^tests\//) ? 0 : 1, $0 }' | sort -s -k1,1 | cut -d' ' -f2- |
    xargs -P"$TORVEXA_JOBS" -n2 bash -c 'tidy_one "$0" "$1"'
tidy_log="$work/tidy.log"
cat "$TORVEXA_TIDY_OUT"/*.log >"$tidy_log"
# A header seen from several files reports the same finding several times: count it once.
tidy_findings=$(grep -E '^[^ ]+:[0-9]+:[0-9]+: (warning|error): ' "$tidy_log" | sort -u)
tidy_files=$(printf '%s\n' $host_files $win32_files $ship_files $fuzz_files $bench_files | grep -c .)
tidy_count=$(printf '%s' "$tidy_findings" | grep -c .)
if [ "$tidy_count" -gt 0 ]; then
    # The whole report of each finding: its notes and the source lines under it.
    cat "$tidy_log"
    status=1
fi
say "clang-tidy: $tidy_files files, $tidy_count warnings"

# cppcheck reads our sources without the system headers (its windows and googletest libraries
# describe those). Excluded as a whole: useStlAlgorithm, a style opinion: the program's loops
# with an early return read more plainly than the algorithm calls it proposes.
cpp_dirs=("${folders[@]}")
cpp_files=$(find "${cpp_dirs[@]}" -name '*.cpp' | grep -c .)
cpp_log="$work/cppcheck.log"
cppcheck --quiet --std=c++20 --language=c++ -I . -j"$TORVEXA_JOBS" \
    --enable=warning,style,performance,portability --inline-suppr --error-exitcode=1 \
    --library=windows --library=googletest --suppress=useStlAlgorithm \
    --template='{file}:{line}:{column}: {severity}: {message} [{id}]' \
    "${cpp_dirs[@]}" 2>"$cpp_log"
cpp_status=$?
cpp_count=$(grep -c . "$cpp_log")
if [ "$cpp_status" -ne 0 ] || [ "$cpp_count" -gt 0 ]; then
    cat "$cpp_log"
    status=1
fi
say "cppcheck: $cpp_files files, $cpp_count findings"

# The layers point one way: the seam and the Windows layer under platform/ never include the
# program (its logic folders) nor the composition root, which alone sees both.
logic=$(awk '/^(logic|root) / { print $2 }' cmake/source_folders.txt | paste -sd '|')
layer_hits=$(grep -rnE --include="*.h" --include="*.cpp" "^[[:space:]]*#[[:space:]]*include[[:space:]]*\"($logic)/" platform/)
layer_count=$(printf '%s' "$layer_hits" | grep -c .)
if [ "$layer_count" -gt 0 ]; then
    printf '%s\n' "$layer_hits"
    status=1
fi
say "layers: $layer_count includes of the program under platform/"

exit $status
