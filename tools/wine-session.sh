#!/bin/bash
# Runs a command inside a Wine session of the rig: the prefix exists (made on
# first use), a display is there (Xvfb when $DISPLAY is unset) and our own
# wineserver keeps running. Everything started here is ended here, and only that.
#   tools/wine-session.sh COMMAND [ARGS...]
set -uo pipefail
source "$(dirname "$0")/wine-env.sh"

xvfb_pid=""
server_started=0
cleanup() {
    if [ $server_started = 1 ]; then timeout 30 wineserver -k </dev/null >/dev/null 2>&1; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
}
trap cleanup EXIT INT TERM

if [ -z "${DISPLAY:-}" ]; then
    # Xvfb picks a free display itself and names it once it is up (sessions
    # started side by side would otherwise race for the same number).
    displayfd="$(mktemp -u "${TMPDIR:-/tmp}/korvane-xvfb.XXXXXX")" && mkfifo "$displayfd" || exit 1
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$displayfd" </dev/null >/dev/null 2>&1 &
    xvfb_pid=$!
    exec {fd}<"$displayfd"
    rm -f "$displayfd"
    read -r -t 30 -u "$fd" n && export DISPLAY=":$n"
    exec {fd}<&-
    [ -n "${DISPLAY:-}" ] || { echo "wine-session: no display could be started" >&2; exit 1; }
fi

mkdir -p "$(dirname "$WINEPREFIX")"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-session: creating the Wine prefix $WINEPREFIX (once)" >&2
    timeout -k 10 300 wineboot -i </dev/null >/dev/null 2>&1
    timeout -k 10 60 wineserver -w </dev/null >/dev/null 2>&1
    # A virtual desktop: no 2-second wait on every closed window, reliable foreground.
    cat > "$WINEPREFIX/korvane-desktop.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"
REG
    timeout -k 10 120 wine regedit /S "$WINEPREFIX/korvane-desktop.reg" </dev/null >/dev/null 2>&1
    timeout -k 10 60 wineserver -w </dev/null >/dev/null 2>&1
fi

timeout -k 5 10 wineserver -k </dev/null >/dev/null 2>&1  # a stale server of this prefix only
wineserver -p </dev/null >/dev/null 2>&1 &
server_started=1
timeout -k 10 120 wine cmd /c exit </dev/null >/dev/null 2>&1

"$@"
