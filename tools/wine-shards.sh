#!/bin/bash
# Runs a command beside N Wine sessions of the rig, each a world of its own:
# its own prefix (so its own wineserver, registry, program mutex and journal),
# display, capture file and deployed program. The Windows tests share all of
# these within a prefix, so two of them never meet in one; across prefixes
# nothing is shared and CTest may run one test per session at once.
#   tools/wine-shards.sh N BUILD COMMAND [ARGS...]
# Session I's environment is written to $KORVANE_WINE_SHARDS/I.env; each
# Windows program tools/wine-exec.sh runs takes a free session and holds it
# (a lock) until it ends. Session 0 is the rig's usual prefix.
set -uo pipefail
cd "$(dirname "$0")/.."
n="${1:?usage: tools/wine-shards.sh N BUILD COMMAND...}"
build="$(cd "${2:?usage: tools/wine-shards.sh N BUILD COMMAND...}" && pwd)" || exit 1
shift 2
export KORVANE_BUILD="$build"
export KORVANE_WINE_SHARDS="$build/wine-shards"
rm -rf "$KORVANE_WINE_SHARDS"
mkdir -p "$KORVANE_WINE_SHARDS" || exit 1

# Each session holds until its `hold` pipe is closed (by this script's end,
# however it ends) and tells it is ready on its `ready` pipe.
pids=()
holds=()
for ((i = 0; i < n; i++)); do
    dir="$KORVANE_WINE_SHARDS/$i"
    mkdir -p "$dir" && mkfifo "$dir/hold" "$dir/ready" || exit 1
    (
        suffix=$([ $i = 0 ] || echo "-$i")
        export KORVANE_WINEPREFIX="$build/wineprefix$suffix"
        # A display the user gave serves the first session; the others get their own.
        [ $i = 0 ] || unset DISPLAY
        source tools/audio-capture.sh && audio_capture_home "$build" "audio-home$suffix" || exit 1
        exec tools/wine-session.sh bash -c '
            source tools/wine-deploy.sh
            korvane_deploy "$KORVANE_BUILD" >&2 || echo "deploy ($1): incomplete, see above" >&2
            export -p | grep -E " (WINEPREFIX|DISPLAY|XAUTHORITY|HOME|KORVANE_AUDIO_OUT)=" >"$2.env"
            echo ready >"$2/ready"
            read -r _ || true
        ' shard "$i" "$KORVANE_WINE_SHARDS/$i"
    ) <"$dir/hold" &
    pids+=($!)
    exec {fd}>"$dir/hold"
    holds+=("$fd")
done

ok=1
for ((i = 0; i < n; i++)); do
    exec {r}<>"$KORVANE_WINE_SHARDS/$i/ready"  # read-write: the open does not wait
    until read -r -t 1 -u "$r" _; do
        kill -0 "${pids[$i]}" 2>/dev/null || { echo "wine-shards: session $i did not come up" >&2; ok=0; break; }
    done
    exec {r}<&-
done

rc=1
if [ $ok = 1 ]; then
    "$@"
    rc=$?
fi
for fd in "${holds[@]}"; do exec {fd}>&-; done
wait "${pids[@]}"
exit $rc
