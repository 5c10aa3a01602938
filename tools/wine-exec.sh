#!/bin/bash
# Runs one Windows program in the rig's prefix; CTest's cross-compiling emulator.
# The program's output goes through a file, not straight to CTest's pipe:
# Wine's helper processes (a wineserver, explorer, services) inherit the
# standard handles and would keep the pipe, and CTest, waiting, long after
# the program itself has ended.
source "$(dirname "$0")/wine-env.sh"
out="$(mktemp "${TMPDIR:-/tmp}/korvane-wine-exec.XXXXXX")" || exit 1
timeout -k 10 "${KORVANE_WINE_TIMEOUT:-600}" wine "$@" </dev/null >"$out" 2>&1
rc=$?
cat "$out"
rm -f "$out"
exit $rc
