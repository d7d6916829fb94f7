#!/usr/bin/env bash
# Runs a Windows test program under Wine in a fresh 64-bit (WoW64) prefix of its own, where the
# 32-bit program sees 64-bit Windows: its system folder redirected to syswow64, the registry's
# 32-bit view. The prefix is removed however the program ends; the caller's is left as it was.
#   in_64bit_prefix.sh PROGRAM [ARGS...]
set -uo pipefail
. "$(cd "$(dirname "$0")/../.." && pwd)/scripts/lib.sh"
trap remove_wine_prefix EXIT
make_wine_prefix win64
wine "$@"
