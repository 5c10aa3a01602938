#!/bin/bash
# `make test`: host unit tests, then every Windows test under Wine. The
# Windows tests run in KORVANE_WINE_SESSIONS Wine sessions side by side (2 by
# default; tools/wine-shards.sh), one test at a time in each: the tests of one
# session share the program's mutex, registry and journal. Two sessions take
# about half the time of one, also on two cores. The host tests run while the
# sessions come up.
# Exits non-zero when either part failed; the output ends with CTest's summary.
#   tools/run-tests.sh BUILD [CTEST-ARGS...]
# Extra arguments go to both CTest runs, e.g. `-R e2e_engine` for one test
# program or `-R EffectMath` for one group of unit tests.
set -uo pipefail
cd "$(dirname "$0")/.."
build="${1:?usage: tools/run-tests.sh BUILD [CTEST-ARGS...]}"
shift
build="$(cd "$build" && pwd)" || exit 1
export KORVANE_BUILD="$build"
sessions="${KORVANE_WINE_SESSIONS:-2}"

host_log="$(mktemp "${TMPDIR:-/tmp}/korvane-host-tests.XXXXXX")" || exit 1
trap 'rm -f "$host_log" "$host_log.rc" "$host_log.shown"' EXIT
(
    ctest --test-dir "$build/host" --output-on-failure --timeout 300 -j2 "$@" >"$host_log" 2>&1
    echo $? >"$host_log.rc.new" && mv "$host_log.rc.new" "$host_log.rc"
) &

# The host tests' report comes first, once they are through.
tools/wine-shards.sh "$sessions" "$build" bash -c '
    while [ ! -e "$1.rc" ]; do sleep 0.2; done
    echo "== host unit tests"
    cat "$1" && touch "$1.shown"
    echo "== Windows tests under Wine ($2 sessions)"
    exec ctest --test-dir "$3/win32" --output-on-failure --timeout 600 -j"$2" "${@:4}"
' run-tests "$host_log" "$sessions" "$build" "$@"
wine_rc=$?
wait
# The sessions did not come up: the host tests' report all the same.
[ -e "$host_log.shown" ] || { echo "== host unit tests"; cat "$host_log"; }
[ "$(cat "$host_log.rc" 2>/dev/null)" = 0 ] && [ $wine_rc = 0 ]
