#!/bin/bash
# `make run`: the program in the rig's Wine prefix with the simulated engine,
# posing as $KORVANE_VERSION (winxp by default).
# With a display it runs there, and the engine monitor follows the journal in
# this terminal until the program ends. Without one (Xvfb), it waits for the
# console, saves a screenshot, presses a few shortcut keys, closes the program
# and prints the whole journal with the engine state in words.
#   tools/run.sh BUILD
set -uo pipefail
cd "$(dirname "$0")/.."
build="${1:?usage: tools/run.sh BUILD}"
build="$(cd "$build" && pwd)" || exit 1
export KORVANE_BUILD="$build"
export KORVANE_VERSION="${KORVANE_VERSION:-winxp}"
if [ -n "${DISPLAY:-}" ]; then export KORVANE_RUN_MODE=display; else export KORVANE_RUN_MODE=headless; fi
# The setup program for real Windows machines, once `make dist` has built it.
if [ -f dist/KorvaneSetup.exe ]; then echo "run: setup program for Windows: $PWD/dist/KorvaneSetup.exe"; fi

exec tools/wine-session.sh bash -c '
    set -uo pipefail
    build="$1"
    source tools/wine-deploy.sh
    korvane_deploy "$build" || echo "run: deployment incomplete, see above" >&2
    [ -f "$WINEPREFIX/drive_c/korvane/Korvane.exe" ] || { echo "run: no Korvane.exe to run" >&2; exit 1; }
    timeout -k 5 60 wine reg add "HKCU\\Software\\Wine\\AppDefaults\\Korvane.exe" /v Version \
        /d "$KORVANE_VERSION" /f </dev/null >/dev/null 2>&1
    # The settings key, as an installation leaves it: the knobs and the form
    # are then kept from one run to the next.
    timeout -k 5 60 wine reg add "HKLM\\SOFTWARE\\Velmora\\Korvane" /f </dev/null >/dev/null 2>&1
    journal="$WINEPREFIX/drive_c/korvane-sim/journal.log"
    monitor="$build/host/sim/korvmon"
    [ -f "$journal" ] && : > "$journal"  # this run'"'"'s records only
    ctl="$build/win32/tests/e2e/korvctl.exe"
    # What the state the console left sounds like: the demo clip rendered
    # with the engine state of the journal, and a plot of before and after.
    render_demo() {
        local fx="$build/host/korvfx/korvfx" out="$build/demo"
        [ -x "$fx" ] && [ -f "$journal" ] || { echo "run: no korvfx or journal, no demo render" >&2; return; }
        mkdir -p "$out"
        "$fx" demo "$out/demo-before.wav" >/dev/null &&
            "$fx" render "$out/demo-before.wav" "$out/demo-after.wav" --journal "$journal" | sed -n 1p &&
            "$fx" plot "$out/demo-before.wav" "$out/demo-plot.png" --journal "$journal" >/dev/null &&
            echo "run: demo clip before: $out/demo-before.wav, after: $out/demo-after.wav, plot: $out/demo-plot.png"
    }

    echo "run: starting Korvane as $KORVANE_VERSION" >&2
    (cd "$WINEPREFIX/drive_c/korvane" && exec timeout -k 5 86400 wine Korvane.exe) </dev/null >/dev/null 2>&1 &
    app=$!

    if [ "$KORVANE_RUN_MODE" = display ]; then
        if [ -x "$monitor" ]; then
            "$monitor" "$journal" </dev/null &
            mon=$!
            wait $app
            kill $mon 2>/dev/null; wait $mon 2>/dev/null
        elif [ -f "$WINEPREFIX/drive_c/korvane-sim/korvmon.exe" ]; then
            timeout -k 5 86400 wine "C:\\korvane-sim\\korvmon.exe" </dev/null &
            mon=$!
            wait $app
            kill $mon 2>/dev/null; wait $mon 2>/dev/null
        else
            wait $app
        fi
        render_demo
        exit 0
    fi

    rc=0
    if timeout -k 5 120 wine "$ctl" wait 90 </dev/null; then
        sleep 2  # let the first paint finish
        mkdir -p "$build/screenshots"
        # The console alone when its rectangle is known, else the whole screen.
        crop=()
        rect="$(timeout -k 5 60 wine "$ctl" rect </dev/null 2>/dev/null | tr -d "\r")"
        [[ "$rect" =~ ^[0-9]+x[0-9]+\+[0-9]+\+[0-9]+$ ]] && crop=(-crop "$rect" +repage)
        if import -window root "${crop[@]}" "$build/screenshots/console.png"; then
            echo "run: screenshot of the console: $build/screenshots/console.png"
        else
            echo "run: screenshot failed" >&2; rc=1
        fi
        # Turn the knobs a little from the keyboard, as a user would, so the
        # journal below shows the engine following them: F3 (3D up one),
        # F8 (Vibe up three), F11 (Soundfields up one), Space (headphones).
        echo "run: pressing F3, F8, F11 and Space"
        timeout -k 5 60 wine "$ctl" keys 72 77 7A 20 </dev/null || echo "run: the keys were not delivered" >&2
        sleep 1
    else
        echo "run: the console did not appear" >&2; rc=1
    fi
    timeout -k 5 60 wine "$ctl" close </dev/null
    for _ in $(seq 100); do kill -0 $app 2>/dev/null || break; sleep 0.2; done
    if kill -0 $app 2>/dev/null; then
        echo "run: Korvane did not close; ending it" >&2
        kill $app 2>/dev/null; rc=1
    fi
    wait $app 2>/dev/null
    # The whole run, start to stop, as the engine saw it.
    if [ -f "$journal" ]; then
        echo "== journal ($journal), in words"
        if [ -x "$monitor" ]; then "$monitor" --once "$journal"; else cat "$journal"; fi
    fi
    render_demo
    exit $rc
' run "$build"
