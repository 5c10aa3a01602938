# Sourced inside a Wine session (tools/wine-session.sh): puts the program
# into C:\korvane and, when the simulated engine is there, deploys and starts it.
#   korvane_deploy BUILD
korvane_deploy() {
    local build="${1:?usage: korvane_deploy BUILD}" dir rc=0
    dir="$WINEPREFIX/drive_c/korvane"
    mkdir -p "$dir" || return 1
    if [ -f "$build/win32/app/Korvane.exe" ]; then
        cp -f "$build/win32/app/Korvane.exe" "$dir/" || rc=1
    else
        echo "deploy: $build/win32/app/Korvane.exe not built" >&2
        rc=1
    fi
    if [ -f "$KORVANE_ROOT/sim/engine.sh" ]; then
        # shellcheck source=/dev/null
        source "$KORVANE_ROOT/sim/engine.sh"
        if sim_deploy "$build/win32" && sim_start; then
            echo "deploy: simulated engine running" >&2
        else
            echo "deploy: the simulated engine could not be started; tests that need it will fail" >&2
            rc=1
        fi
    else
        echo "deploy: no simulated engine (sim/engine.sh missing)" >&2
    fi
    return $rc
}
