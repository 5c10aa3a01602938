#!/bin/bash
# `make bench`: speed figures as ratios against baselines measured in the same
# run, one line each: `bench NAME: RATIOx (OURS vs BASELINE)`. Several
# repeats, medians. Fails only when a figure could not be measured.
#   tools/bench.sh BUILD
# Wine may run under an emulator here (qemu for 32-bit code), so the Windows
# figures are far from what a native Wine or Windows shows; the ratios travel
# better than the absolute times.
set -uo pipefail
cd "$(dirname "$0")/.."
build="${1:?usage: tools/bench.sh BUILD}"
build="$(cd "$build" && pwd)" || exit 1
export KORVANE_BUILD="$build"
rc=0

# The pixel scan natively and optimised, outside the sanitized host build.
mkdir -p "$build/bench"
if g++ -O2 -std=c++17 -I. tests/bench/scan_bench.cpp skin/RegionScan.cpp -o "$build/bench/scan_bench"; then
    "$build/bench/scan_bench" res/skin_outline_full.bmp || rc=1
else
    echo "bench: scan_bench did not build" >&2; rc=1
fi

# The effects: seconds of audio processed per second of one core, natively
# (an optimised build of its own) and below inside Wine (the hook's x87 build).
if cmake -S tools/fxbench -B "$build/bench/fx" -DCMAKE_BUILD_TYPE=Release >/dev/null &&
   cmake --build "$build/bench/fx" -j2 -- --no-print-directory >/dev/null; then
    "$build/bench/fx/fx_dsp_bench" || rc=1
else
    echo "bench: fx_dsp_bench did not build" >&2; rc=1
fi

# korvfx rendering a file against only reading and writing it, natively and
# optimised like the figures above (the host build is a sanitized debug build).
if g++ -O2 -std=c++17 -I. tests/bench/korvfx_render_bench.cpp $(ls korvfx/*.cpp | grep -v /main.cpp) fx/*.cpp \
       engine/EffectMath.cpp sim/core/JournalRecord.cpp -pthread \
       $(pkg-config --cflags --libs sndfile libebur128 cairo fontconfig fftw3) -o "$build/bench/korvfx_render_bench"; then
    "$build/bench/korvfx_render_bench" "$build/bench" || rc=1
else
    echo "bench: korvfx_render_bench did not build" >&2; rc=1
fi

timeout -k 10 1500 tools/wine-session.sh bash -c '
    set -uo pipefail
    build="$1"; rc=0
    source tools/wine-deploy.sh
    korvane_deploy "$build" >/dev/null 2>&1 || echo "bench: deployment incomplete" >&2
    e2e="$build/win32/tests/e2e"
    bench="$e2e/korvbench.exe"
    exe="$(timeout -k 5 60 winepath -w "$build/win32/app/Korvane.exe" 2>/dev/null | tr -d "\r")"
    # The settings key as an installation leaves it: without it the console
    # starts no engine and no status relay. The empty dialog runs from the
    # same drive as the program.
    timeout -k 5 60 wine reg add "HKLM\\SOFTWARE\\Velmora\\Korvane" /f </dev/null >/dev/null 2>&1
    mkdir -p "$WINEPREFIX/drive_c/korvane-bench"
    cp -f "$e2e/emptydlg.exe" "$WINEPREFIX/drive_c/korvane-bench/"

    timeout -k 5 600 wine "$build/win32/tests/skin/skin_region_bench.exe" "$exe" </dev/null || rc=1
    timeout -k 5 900 wine "$bench" startup 7 </dev/null || rc=1
    timeout -k 5 600 wine "$build/win32/tests/sim/dsp_realtime_bench.exe" </dev/null || rc=1
    # A player playing through the engine against the same player in a
    # process the engine never entered: alternating pairs, medians inside.
    plays=$(source tools/audio-capture.sh && audio_capture_home "$build" >/dev/null &&
        timeout -k 5 900 wine "$build/win32/tests/sim/engine_play_bench.exe" </dev/null | tr -d "\r")
    if printf "%s\n" "$plays" | grep -q "^bench engine-vs-plain"; then
        printf "%s\n" "$plays"
    else
        echo "bench: engine-vs-plain not measured" >&2; rc=1
    fi

    # A window program without winmm handling 100,000 messages with the
    # engine'"'"'s hooks set against without (medians of three inside).
    timeout -k 5 900 wine "$build/win32/tests/sim/engine_play_bench.exe" hooks </dev/null | tr -d "\r" || rc=1

    # DirectSound: a looping stream through the engine against without it, and
    # the memory the sounds of a game take. One process (its own plain runs
    # beside the engine ones): under an emulated Wine one takes 5 to 12 minutes.
    ds=$(source tools/audio-capture.sh && audio_capture_home "$build" >/dev/null &&
        timeout -k 5 900 wine "$build/win32/tests/sim/dsound_bench.exe" </dev/null | tr -d "\r")
    for line in "bench dsound-vs-plain" "note dsound-at-11-vs-plain" "bench dsound-memory" "note dsound-memory-at-11"; do
        if printf "%s\n" "$ds" | grep "^$line:"; then :; else
            echo "bench: $line not measured" >&2; rc=1
        fi
    done

    # Processor time of an idle window over 10 s, read on the Linux side:
    # Wine answers GetProcessTimes for another process with zeros.
    hz=$(getconf CLK_TCK)
    # Processor time in microseconds of the process whose command line names
    # $1: the run time the scheduler keeps per thread (nanoseconds), or, where
    # the kernel has none, the clock ticks of /proc/PID/stat.
    cpu_us_of() {
        local pid
        for pid in $(pgrep -f "$1"); do  # the Windows process itself names itself so
            # Only this prefix'"'"'s: other Wine sessions may run the same program.
            tr "\0" "\n" < /proc/$pid/environ 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
            awk -v name="($1)" "\$2 == name {found = 1} END {exit !found}" /proc/$pid/stat 2>/dev/null || continue
            if cat /proc/$pid/task/*/schedstat 2>/dev/null | awk "{ns += \$1; n++} END {if (!n) exit 1; printf \"%d\\n\", ns / 1000}"; then
                return 0
            fi
            awk -v hz="$hz" "{printf \"%d\\n\", (\$14 + \$15) * 1000000 / hz}" /proc/$pid/stat 2>/dev/null && return 0
        done
        return 1
    }
    idle_us() {  # NAME TITLE: processor time over 10 s, the window open and settled
        local a b
        timeout -k 5 120 wine "$bench" wait "$2" 90 </dev/null || return 1
        sleep 3
        a=$(cpu_us_of "$1") || return 1
        sleep 10
        b=$(cpu_us_of "$1") || return 1
        echo $((b - a))
    }

    (cd "$WINEPREFIX/drive_c/korvane" && exec timeout -k 5 600 wine Korvane.exe) </dev/null >/dev/null 2>&1 &
    app=$!
    ours=$(idle_us Korvane.exe " Korvane ") || { echo "bench: no idle figure for Korvane" >&2; rc=1; }
    timeout -k 5 600 wine "$bench" paint 30 </dev/null || rc=1
    # Where the idle time goes: again without the animation, then also
    # without the status relay.
    if [ -n "${ours:-}" ] && timeout -k 5 60 wine "$bench" quiet animation </dev/null; then
        still=$(idle_us Korvane.exe " Korvane ")
        if [ -n "$still" ] && timeout -k 5 60 wine "$bench" quiet relay </dev/null; then
            rest=$(idle_us Korvane.exe " Korvane ")
            [ -n "$rest" ] && awk -v a="$ours" -v s="$still" -v r="$rest" "BEGIN {
                printf \"note idle-cpu: over 10 s, %.1f ms in all; %.1f ms the animation, %.1f ms the status relay, %.1f ms the rest\\n\",
                       a / 1000, (a - s) / 1000, (s - r) / 1000, r / 1000 }"
        fi
    fi
    timeout -k 5 60 wine "$bench" close " Korvane " </dev/null
    wait $app 2>/dev/null

    (cd "$WINEPREFIX/drive_c/korvane-bench" && exec timeout -k 5 600 wine emptydlg.exe) </dev/null >/dev/null 2>&1 &
    app=$!
    base=$(idle_us emptydlg.exe " Empty bench dialog ") || { echo "bench: no idle figure for the empty dialog" >&2; rc=1; }
    timeout -k 5 600 wine "$bench" paint 30 empty </dev/null || rc=1
    timeout -k 5 60 wine "$bench" close " Empty bench dialog " </dev/null
    wait $app 2>/dev/null

    if [ -n "${ours:-}" ] && [ -n "${base:-}" ]; then
        # An idle baseline below 10 us counts as 10 us (">=").
        awk -v o="$ours" -v b="$base" "BEGIN {
            floor = b < 10 ? 10 : b; mark = b < 10 ? \">=\" : \"\";
            printf \"bench idle-cpu-vs-empty-dialog: %s%.1fx (%.3f%% vs %.3f%% of one core over 10 s, %.1f ms vs %.1f ms of processor time)\\n\",
                   mark, o / floor, o / 1e5, b / 1e5, o / 1000, b / 1000 }"
    fi
    exit $rc
' bench "$build" || rc=1
exit $rc
