#!/usr/bin/env bash
# Reads a Windows executable's PE header and import table and says, for each Windows named, whether
# its loader would start it: the subsystem and operating-system versions the header asks for must
# not exceed what that system accepts, and every DLL!function it imports must stand in the reviewed
# list of functions that system's DLLs export. Wine cannot tell: it exports every function whatever
# Windows version it reports. A missing export stops the program before its first instruction.
#
#   bash tests/imports/check_imports.sh EXE [SYSTEM ...]
#
# SYSTEM: win98se, winme, win2k or xp (all four by default), each read against its list beside
# this script (win98se_imports.txt, winme_imports.txt, win2k_sp4_imports.txt, xp_sp3_imports.txt). One line per system when all is
# well; otherwise one line per problem, naming the system and the function, and the check fails.
set -uo pipefail
exe=${1:?usage: check_imports.sh EXE [SYSTEM ...]}
shift
systems=("$@")
[ ${#systems[@]} -gt 0 ] || systems=(win98se winme win2k xp)
lists=$(dirname "$0")
name=$(basename "$exe")

# The name each system goes by, its list, and the highest header version (major * 100 + minor)
# its loader starts. 98 and ME are held to 4.00, the version every program written for them asked for: that
# their loaders accept 4.10 or 4.90 is not documented anywhere we could find.
describe() {
    case $1 in
        win98se) title="Windows 98 SE" list=win98se limit=400 ;;
        winme) title="Windows ME" list=winme limit=400 ;;
        win2k) title="Windows 2000 SP4" list=win2k_sp4 limit=500 ;;
        xp) title="Windows XP SP3" list=xp_sp3 limit=501 ;;
        *) return 1 ;;
    esac
}

# A list's functions, one DLL!function a line; "include FILE" takes in another list of the folder.
read_list() {
    local file=$1 line
    [ -f "$file" ] || { echo "imports: no list $file" >&2; return 1; }
    while IFS= read -r line || [ -n "$line" ]; do
        line=${line%$'\r'}
        case $line in
            "" | \#*) ;;
            include\ *) read_list "$(dirname "$file")/${line#include }" || return 1 ;;
            *) printf '%s\n' "${line//[[:space:]]/}" ;;
        esac
    done <"$file"
}

header=$(i686-w64-mingw32-objdump -p "$exe") || { echo "imports: cannot read $exe"; exit 1; }
field() { awk -v f="$1" '$1 == f { print $2 }' <<<"$header"; }
subsystem=$(($(field MajorSubsystemVersion) * 100 + $(field MinorSubsystemVersion)))
os=$(($(field MajorOSystemVersion) * 100 + $(field MinorOSystemVersion)))
version() { printf '%d.%02d' $(($1 / 100)) $(($1 % 100)); }
# Whether the header's VERSION (of WHAT) is within the system's limit; says so when it is not.
within() {
    [ "$2" -le "$limit" ] && return 0
    echo "imports: $title: $name declares $1 $(version "$2"), above $(version "$limit")"
    return 1
}
# Each import as DLL!function; an import by ordinal shows as DLL!#ordinal.
imports=$(awk '
    /^\tDLL Name: / { dll = $3; next }
    /^\tvma:/ { next }
    dll != "" && /^\t[0-9a-f]+\t/ {
        if (NF >= 3) print dll "!" $3; else print dll "!#" $2
        next
    }
    /^$/ { next }
    !/^\t/ { dll = "" }' <<<"$header" | sort -u)
if [ -z "$imports" ]; then
    echo "imports: no import table found in $name"
    exit 1
fi
dlls=$(cut -d'!' -f1 <<<"$imports" | sort -u | wc -l)

status=0
for system in "${systems[@]}"; do
    if ! describe "$system"; then
        echo "imports: unknown system '$system' (win98se, winme, win2k or xp)"
        exit 2
    fi
    list=$lists/${list}_imports.txt
    known=$(read_list "$list") || { status=1; continue; }
    known=$(sort -u <<<"$known")
    ok=1
    within "subsystem version" "$subsystem" || ok=0
    within "operating system version" "$os" || ok=0
    while read -r fn; do
        [ -n "$fn" ] || continue
        echo "imports: $title: $name imports $fn, which is not in the list of functions $title exports ($list)"
        ok=0
    done < <(comm -23 <(printf '%s\n' "$imports") <(printf '%s\n' "$known"))
    if [ $ok -eq 1 ]; then
        echo "imports: $title: $name declares subsystem $(version "$subsystem") and imports $(wc -l <<<"$imports") functions from $dlls DLLs, all exported by $title"
    else
        status=1
    fi
done
exit $status
