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
    for n in $(seq 90 130); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
        Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
        if [ -e /tmp/.X11-unix/X$n ]; then export DISPLAY=:$n; break; fi
        kill $xvfb_pid 2>/dev/null; xvfb_pid=""
    done
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
