#!/usr/bin/env bash
# Reads a Windows executable's PE header and import table and says whether Windows XP SP3's loader
# would start it: the subsystem version it declares must be 5.01 or lower, and every DLL!function it
# imports must stand in the reviewed list of functions that XP SP3's system DLLs export. Wine cannot
# tell: it exports every function whatever Windows version it reports.
#
#   bash tests/xp/check_imports.sh EXE [LIST]    LIST defaults to xp_sp3_imports.txt beside this
#
# Prints one line when all is well; otherwise one line per problem, naming it, and fails.
set -uo pipefail
exe=${1:?usage: check_imports.sh EXE [LIST]}
list=${2:-$(dirname "$0")/xp_sp3_imports.txt}
name=$(basename "$exe")

header=$(i686-w64-mingw32-objdump -p "$exe") || { echo "imports: cannot read $exe"; exit 1; }
major=$(awk '$1 == "MajorSubsystemVersion" { print $2 }' <<<"$header")
minor=$(awk '$1 == "MinorSubsystemVersion" { print $2 }' <<<"$header")
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
known=$(grep -vE '^\s*(#|$)' "$list" | tr -d '\r' | sort -u)

status=0
if [ -z "$major" ] || [ $((major * 100 + minor)) -gt 501 ]; then
    echo "imports: $name declares subsystem version ${major:-?}.${minor:-?}, above 5.01 (Windows XP)"
    status=1
fi
if [ -z "$imports" ]; then
    echo "imports: no import table found in $name"
    status=1
fi
unknown=$(comm -23 <(printf '%s\n' "$imports") <(printf '%s\n' "$known"))
while read -r fn; do
    [ -n "$fn" ] || continue
    echo "imports: $name imports $fn, which is not in the list of functions Windows XP SP3 exports ($list)"
    status=1
done <<<"$unknown"
if [ $status -eq 0 ]; then
    dlls=$(cut -d'!' -f1 <<<"$imports" | sort -u | wc -l)
    echo "imports: $name declares subsystem $major.$(printf '%02d' "$minor") and imports $(wc -l <<<"$imports") functions from $dlls DLLs, all exported by Windows XP SP3"
fi
exit $status
