#!/bin/bash
# Makes the rig's Wine prefix while the build runs: making it takes most of a
# minute and needs nothing built. The test sessions copy it as they come up,
# waiting for it if it is still being made (tools/wine-session.sh).
#   tools/wine-prepare.sh BUILD
set -uo pipefail
cd "$(dirname "$0")/.."
build="${1:?usage: tools/wine-prepare.sh BUILD}"
mkdir -p "$build" && build="$(cd "$build" && pwd)" || exit 1
KORVANE_BUILD="$build" KORVANE_WINEPREFIX="$build/wineprefix" KORVANE_PREFIX_ONLY=1 exec tools/wine-session.sh
