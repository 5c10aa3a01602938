# Sourced: the Wine environment of the rig. A 32-bit prefix inside the build
# tree, never the user's own.
KORVANE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export KORVANE_ROOT
export KORVANE_BUILD="${KORVANE_BUILD:-$KORVANE_ROOT/build}"
export WINEARCH=win32
export WINEPREFIX="${KORVANE_WINEPREFIX:-$KORVANE_BUILD/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
