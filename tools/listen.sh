#!/bin/bash
# `make listen`: Korvane posing as Windows 98, so its wave hook is the live
# effects engine, on this display and this sound device; the demo clip plays
# over and over through waveOut while the console is open, so the knobs can
# be heard as they turn. Close the console to end.
#   tools/listen.sh BUILD
# The clip: $KORVANE_DEMO_WAV, else the demo clip made by korvfx (the
# effects' command-line tool), else a tone sequence made here.
set -uo pipefail
cd "$(dirname "$0")/.."
build="${1:?usage: tools/listen.sh BUILD}"
build="$(cd "$build" && pwd)" || exit 1
export KORVANE_BUILD="$build"
if [ -z "${DISPLAY:-}" ]; then
    echo "listen: needs a display (DISPLAY) and a sound device; for a headless look use make run" >&2
    exit 1
fi
if [ ! -e /dev/snd ] && [ -z "${PULSE_SERVER:-}" ] && [ ! -S "${XDG_RUNTIME_DIR:-/nonexistent}/pulse/native" ]; then
    echo "listen: no sound device found (/dev/snd, PulseAudio); Korvane starts anyway" >&2
fi

clip="${KORVANE_DEMO_WAV:-}"
if [ -z "$clip" ] && [ -x "$build/host/korvfx/korvfx" ]; then
    mkdir -p "$build/listen"
    "$build/host/korvfx/korvfx" demo "$build/listen/demo.wav" >/dev/null && clip="$build/listen/demo.wav"
fi
if [ -z "$clip" ]; then
    clip="$build/listen/tones.wav"
    mkdir -p "$build/listen"
    python3 tools/tones.py "$clip" || exit 1
    echo "listen: no demo clip yet; playing a tone sequence ($clip)"
fi
export KORVANE_LISTEN_CLIP="Z:${clip//\//\\}"

exec tools/wine-session.sh bash -c '
    set -uo pipefail
    build="$1"
    source tools/wine-deploy.sh
    korvane_deploy "$build" || echo "listen: deployment incomplete, see above" >&2
    timeout -k 5 60 wine reg add "HKCU\\Software\\Wine\\AppDefaults\\Korvane.exe" /v Version /d win98 /f \
        </dev/null >/dev/null 2>&1
    (cd "$WINEPREFIX/drive_c/korvane" && exec timeout -k 5 86400 wine Korvane.exe) </dev/null >/dev/null 2>&1 &
    app=$!
    if ! timeout -k 5 120 wine "$build/win32/tests/e2e/korvctl.exe" wait 90 </dev/null; then
        echo "listen: the console did not appear" >&2
        kill $app 2>/dev/null; wait $app 2>/dev/null
        exit 1
    fi
    echo "listen: playing $KORVANE_LISTEN_CLIP through the engine; turn the knobs, close Korvane to stop"
    timeout -k 5 86400 wine "$build/win32/tests/engine_e2e/korvplay.exe" "file=$KORVANE_LISTEN_CLIP" \
        "while= Korvane " mode=window frames=2048 buffers=8 </dev/null
    wait $app 2>/dev/null
' listen "$build"
