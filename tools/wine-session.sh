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

mkdir -p "$(dirname "$WINEPREFIX")" "$KORVANE_BUILD"
# A prefix is made once per build tree (most of a minute) and copied for each
# session (seconds). One maker or copier at a time: the locks are on fd 8 and
# 9, closed for Wine's own processes, so that a wineserver they leave running
# holds no lock. The mark is made last: a making cut short is made again.
template="$KORVANE_BUILD/wineprefix-made"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ ! -f "$WINEPREFIX/korvane-made" ]; then
    exec 8>"$template.lock"
    flock 8
    if [ ! -f "$template/korvane-made" ]; then
        echo "wine-session: making the rig's Wine prefix (once)" >&2
        rm -rf "$template"
        # A virtual desktop: no 2-second wait on every closed window, reliable foreground.
        mkdir -p "$template" && cat > "$template/korvane-desktop.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"
REG
        WINEPREFIX="$template" timeout -k 10 300 wineboot -i </dev/null >/dev/null 2>&1 8>&- 9>&-
        WINEPREFIX="$template" timeout -k 10 60 wineserver -w </dev/null >/dev/null 2>&1 8>&- 9>&-
        WINEPREFIX="$template" timeout -k 10 120 wine regedit /S "$template/korvane-desktop.reg" \
            </dev/null >/dev/null 2>&1 8>&- 9>&- &&
            WINEPREFIX="$template" timeout -k 10 60 wineserver -w </dev/null >/dev/null 2>&1 8>&- 9>&- &&
            touch "$template/korvane-made"
    fi
    exec 8>&-
    [ "${KORVANE_PREFIX_ONLY:-}" = 1 ] && exit 0  # tools/wine-prepare.sh: the making was all
    rm -rf "$WINEPREFIX" "$WINEPREFIX.copy"
    if [ -f "$template/korvane-made" ] && cp -a "$template" "$WINEPREFIX.copy"; then
        # The user's folders (Desktop, Documents...) are links into the maker's
        # HOME; each session's go to its own, as Wine makes them.
        for link in "$WINEPREFIX.copy"/drive_c/users/*/*; do [ -L "$link" ] && ln -sfn "$HOME" "$link"; done
        mv "$WINEPREFIX.copy" "$WINEPREFIX"
    fi
fi
exec 9>&-

timeout -k 5 10 wineserver -k </dev/null >/dev/null 2>&1  # a stale server of this prefix only
wineserver -p </dev/null >/dev/null 2>&1 &
server_started=1
timeout -k 10 120 wine cmd /c exit </dev/null >/dev/null 2>&1

"$@"
