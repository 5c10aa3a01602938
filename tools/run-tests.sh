#!/bin/bash
# `make test`: host unit tests, then, inside one Wine session, the program and
# the simulated engine deployed and every Windows test run under Wine.
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

host_rc=0
echo "== host unit tests"
ctest --test-dir "$build/host" --output-on-failure --timeout 300 "$@" || host_rc=$?

echo "== Windows tests under Wine"
# What the tests play is captured in a file (tools/audio-capture.sh).
source tools/audio-capture.sh && audio_capture_home "$build"
# One wineserver for the whole run (the session keeps it up), and one test at a
# time: the tests share the program's mutex, registry and journal.
tools/wine-session.sh bash -c '
    source tools/wine-deploy.sh
    korvane_deploy "$1" >&2 || echo "deploy: incomplete, see above" >&2
    build="$1"; shift
    exec ctest --test-dir "$build/win32" --output-on-failure --timeout 600 -j1 "$@"
' run-tests "$build" "$@"
wine_rc=$?

[ $host_rc = 0 ] && [ $wine_rc = 0 ]
