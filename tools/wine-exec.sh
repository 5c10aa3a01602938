#!/bin/bash
# Runs one Windows program in the rig's prefix; CTest's cross-compiling emulator.
source "$(dirname "$0")/wine-env.sh"
exec timeout -k 10 "${KORVANE_WINE_TIMEOUT:-600}" wine "$@"
