#!/bin/bash
# Runs one Windows program in the rig's prefix; CTest's cross-compiling emulator.
# The program's output goes through a file, not straight to CTest's pipe:
# Wine's helper processes (a wineserver, explorer, services) inherit the
# standard handles and would keep the pipe, and CTest, waiting, long after
# the program itself has ended.
source "$(dirname "$0")/wine-env.sh"
# One program at a time per prefix: the tests share the program's mutex,
# registry and journal. Under tools/wine-shards.sh the first free session of
# several is taken. The lock is held by flock itself (-o), so that nothing the
# program leaves running holds it.
if [ -z "${KORVANE_WINE_LOCKED:-}" ]; then
    export KORVANE_WINE_LOCKED=1
    if [ -n "${KORVANE_WINE_SHARDS:-}" ]; then
        busy=237
        for env in "$KORVANE_WINE_SHARDS"/*.env; do
            KORVANE_WINE_SESSION="$env" flock -n -o -E $busy "${env%.env}.lock" "$0" "$@"
            rc=$?
            [ $rc = $busy ] || exit $rc
        done
        # More programs than sessions: wait for the first.
        KORVANE_WINE_SESSION="$KORVANE_WINE_SHARDS/0.env" exec flock -o "$KORVANE_WINE_SHARDS/0.lock" "$0" "$@"
    fi
    mkdir -p "$(dirname "$WINEPREFIX")" && exec flock -o "$WINEPREFIX.lock" "$0" "$@"
fi
# shellcheck source=/dev/null
[ -z "${KORVANE_WINE_SESSION:-}" ] || source "$KORVANE_WINE_SESSION" || exit 1
out="$(mktemp "${TMPDIR:-/tmp}/korvane-wine-exec.XXXXXX")" || exit 1
timeout -k 10 "${KORVANE_WINE_TIMEOUT:-600}" wine "$@" </dev/null >"$out" 2>&1
rc=$?
cat "$out"
rm -f "$out"
exit $rc
