#!/usr/bin/env bash
# On machines that report Windows 98 and ME, reads Wine's relay trace of Torvexa.exe's own calls
# and fails, naming each function, on any wide-character (W) function that Windows 95, 98 and ME
# do not implement. Wine implements every W function whatever version it reports, so the window
# and the scenarios work there either way: only the trace shows that the program took its 9x way.
# On a real 98 or ME the same call reaches a stub that fails (see win98se_imports.txt).
#
#   bash tests/imports/relay_check.sh BUILD [MACHINE ...]   MACHINE: win98, winme (both by default)
#
# BUILD is a win32 build folder with Torvexa.exe, e2e_driver.exe, infect.exe and sleeper.exe. On
# each machine the scenario driver works the program four times under WINEDEBUG=+relay: its
# start-up (the window shown, then closed: clean_machine), one press of "Desinfectame!!!" on a
# stand-in infected machine (both_worms_yes_without_messenger), the same with a worm file in use,
# which is left to the restart (in_use_dll_goes_at_restart), and a removal without the window
# (Torvexa.exe /S: silent_infected). A call is the program's own when its process runs
# Torvexa.exe and its return address lies inside the image (0x00400000 to 0x00400000 + SizeOfImage),
# the statically linked C and C++ runtimes included; the calls of msvcrt.dll and of Wine's own DLLs
# return elsewhere. The trace is filtered as it streams: only the W calls and the image loads are
# kept. One line per machine; the check is first run on a planted trace, which it must catch.
set -uo pipefail
. "$(cd "$(dirname "$0")/../.." && pwd)/sandbox/sandbox.sh"

build=${1:?usage: relay_check.sh BUILD [MACHINE ...]}
shift
machines=("$@")
[ ${#machines[@]} -gt 0 ] || machines=(win98 winme)
for f in Torvexa.exe e2e_driver.exe infect.exe sleeper.exe; do
    [ -f "$build/$f" ] || { say "relay: FAILED: $build/$f is missing"; exit 1; }
done
size=$(i686-w64-mingw32-objdump -p "$build/Torvexa.exe" | awk '$1 == "SizeOfImage" { print $2 }')
[ -n "$size" ] || { say "relay: FAILED: no SizeOfImage in $build/Torvexa.exe"; exit 1; }

# The W functions that Windows 95, 98 and ME implement (Microsoft KB 210341).
native='^(ExtTextOutW|TextOutW|GetTextExtentPoint32W|GetTextExtentPointW|GetCharWidthW|MessageBoxW|MessageBoxExW|lstrlenW|GetCommandLineW|FindResourceW|FindResourceExW|EnumResource[A-Za-z]*W)$'
# What the stream keeps: the W calls and the image loads of each process ("pid:tid:" in front).
kept='(trace:loaddll:.* at 00400000|:Call [A-Za-z0-9_]+\.[A-Za-z0-9_]+W\()'

# Reads the kept lines of a trace and prints "dll.Function" once per call that Torvexa.exe's own
# code made to a W function outside the list. A process id names the program of the image it last
# loaded at 0x00400000, so an id that Wine hands on to another program is judged by that one.
own_calls() {
    awk -v end=$((0x400000 + 0x$size)) -v native="$native" '
        function hex(s,   i, n, c) {
            n = 0
            for (i = 1; i <= length(s); i++) {
                c = index("0123456789abcdef", tolower(substr(s, i, 1)))
                if (c == 0) return -1
                n = n * 16 + c - 1
            }
            return n
        }
        {
            split($0, f, ":")
            pid = f[1]
        }
        /trace:loaddll:/ {
            torvexa[pid] = tolower($0) ~ /\\torvexa\.exe" at 00400000/
            next
        }
        torvexa[pid] && match($0, /:Call [A-Za-z0-9_]+\.[A-Za-z0-9_]+\(/) {
            call = substr($0, RSTART + 6, RLENGTH - 7)
            fn = call
            sub(/^[^.]*\./, "", fn)
            if (!match($0, / ret=[0-9a-fA-F]+$/)) next
            ret = hex(substr($0, RSTART + 5))
            if (ret >= 4194304 && ret < end && fn !~ native) print call
        }'
}

# Names the functions of own_calls' output: "N calls of M functions: f (count), ...".
summary() {
    sort | uniq -c | sort -k1,1nr -k2 | awk '
        { total += $1; list = list (n++ ? ", " : "") $2 " (" $1 ")" }
        END { if (n) printf "%d calls of %d functions: %s\n", total, n, list }'
}

# The check must catch what it is for: in this trace the program (pid 0030) calls CreateWindowExW,
# which 9x only stubs, and ExtTextOutW, which it implements; a sleeper whose image took the same
# address calls DrawTextW, and msvcrt.dll calls GetEnvironmentStringsW: neither is the program's.
planted=$(own_calls <<'EOF'
0030:0034:trace:loaddll:build_module Loaded L"C:\\Build\\Torvexa.exe" at 00400000: native
0030:0034:Call user32.CreateWindowExW(00000000,00432a10 L"TorvexaPrin",00432a40 L"Torvexa") ret=00409c2e
0030:0034:Call gdi32.ExtTextOutW(0000002c,00000004,00000002,00000000,0066f1a0 L"Desinfectame!!!",0000000f,00000000) ret=0040a51b
0030:0034:Call KERNEL32.GetEnvironmentStringsW() ret=6568e23f
0040:0044:trace:loaddll:build_module Loaded L"C:\\windows\\system32\\moniker.exe" at 00400000: native
0040:0044:Call user32.DrawTextW(0000002c,0066f1a0 L"x",00000001,0066f0e0,00000000) ret=00401234
EOF
)
if [ "$planted" != user32.CreateWindowExW ]; then
    say "relay: FAILED: the check did not single out a planted CreateWindowExW (it found: ${planted:-nothing})"
    exit 1
fi

runs=(clean_machine both_worms_yes_without_messenger in_use_dll_goes_at_restart silent_infected)
trap cleanup_wine EXIT
start_xvfb || exit 1
status=0
for machine in "${machines[@]}"; do
    case $machine in
        win98 | winme) ;;
        *)
            say "relay: unknown machine '$machine' (win98 or winme)"
            exit 2
            ;;
    esac
    sandbox_make win32 "$machine"
    # The desktop first and untraced, and the prefix's own start-up done, so that the trace holds
    # the driver and what it starts.
    wine explorer /desktop=Default,1024x768 >/dev/null 2>&1 &
    wine reg query 'HKCU\Software\Wine' /v Version >/dev/null 2>&1
    calls=$(mktemp) log=$(mktemp)
    # The trace comes on the standard error, the driver's lines on its standard output.
    { WINEDEBUG=+relay,+pid,+loaddll timeout 900 wine "$build/e2e_driver.exe" "${runs[@]}" \
        2>&1 >"$log" | grep -aE "$kept" | own_calls >"$calls"; } 2>&1
    ran=$(grep -cE '^[a-z0-9_]+: passed$' "$log")
    if [ "$ran" -ne ${#runs[@]} ]; then
        say "relay: [$machine] FAILED: the runs did not all pass under the trace:"
        grep -E ': FAILED' "$log" | sed "s/^/relay: [$machine]   /"
        status=1
    fi
    if [ -s "$calls" ]; then
        say "relay: [$machine] FAILED: Torvexa.exe calls W functions that Windows 98 and ME do not implement, $(summary <"$calls")"
        status=1
    else
        say "relay: [$machine] passed: no W call of Torvexa.exe's own outside KB 210341's list (start-up, a press, a file in use, /S)"
    fi
    rm -f "$calls" "$log"
    remove_wine_prefix
done
exit $status
