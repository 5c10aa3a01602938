# Sourced after tools/wine-env.sh, inside a running Wine session
# (tools/wine-session.sh): deploys and runs the simulated audio engine.
#   sim_deploy WIN32_BUILD_DIR   copy the driver, DLLs and variants into the prefix
#   sim_start                    register (once) and start the kernel service
#   sim_stop                     stop it
#   sim_journal_path             the Linux path of the journal
# Every Wine call is bounded; each function returns non-zero on failure.

SIM_SERVICE=KorvaneSim
SIM_WINE_TIMEOUT=${SIM_WINE_TIMEOUT:-90}

_sim_drive_c() { echo "$WINEPREFIX/drive_c"; }

_sim_wine() { timeout -k 5 "$SIM_WINE_TIMEOUT" wine "$@" </dev/null 2>/dev/null; }

sim_journal_path() { echo "$(_sim_drive_c)/korvane-sim/journal.log"; }

sim_deploy() {
    local build="${1:?usage: sim_deploy WIN32_BUILD_DIR}"
    local out="$build/sim" c
    c="$(_sim_drive_c)"
    if [ ! -f "$out/korvsim.sys" ]; then
        echo "sim_deploy: $out/korvsim.sys not found (build first)" >&2
        return 1
    fi
    mkdir -p "$c/korvane-sim/variants" "$c/korvane" || return 1
    cp -f "$out/korvsim.sys" "$out/korvmon.exe" "$out/korvsim-ready.exe" "$c/korvane-sim/" || return 1
    # The defaults go to the variants folder too, so a test can put them back.
    cp -f "$out"/WavHok32*.dll "$out"/QuorInst*.dll "$c/korvane-sim/variants/" || return 1
    cp -f "$out/WavHok32.dll" "$out/QuorInst.dll" "$c/korvane/" || return 1
    # The logon host, beside the hook library it loads (a test starts it).
    cp -f "$build/fxengine/KorvHost.exe" "$c/korvane/" || return 1
    # An empty journal from the start: a test that expects no records of
    # some kind can then tell "nothing written" from "no engine".
    touch "$c/korvane-sim/journal.log" || return 1
    # The wave hook journals only when asked (an installed one never does).
    _sim_wine reg add 'HKLM\Software\KorvaneSim' /v Journal /t REG_DWORD /d 1 /f >/dev/null || return 1
}

_sim_state() {
    _sim_wine sc query "$SIM_SERVICE" | tr -d '\r' | sed -n 's/.*STATE *: *[0-9]* *\([A-Z_]*\).*/\1/p'
}

sim_start() {
    local state i
    state="$(_sim_state)"
    if [ -z "$state" ]; then
        _sim_wine sc create "$SIM_SERVICE" type= kernel start= demand \
            binPath= 'C:\korvane-sim\korvsim.sys' >/dev/null
        state="$(_sim_state)"
        [ -n "$state" ] || { echo "sim_start: could not create the service" >&2; return 1; }
    fi
    if [ "$state" != RUNNING ]; then
        _sim_wine sc start "$SIM_SERVICE" >/dev/null
        for i in $(seq 60); do
            state="$(_sim_state)"
            [ "$state" = RUNNING ] && break
            sleep 0.5
        done
    fi
    if [ "$state" != RUNNING ]; then
        echo "sim_start: service $SIM_SERVICE is ${state:-unknown}, not RUNNING" >&2
        return 1
    fi
    # The device names exist once the driver's entry has run; check them
    # without opening a device (an open would be journalled).
    timeout -k 5 "$SIM_WINE_TIMEOUT" wine 'C:\korvane-sim\korvsim-ready.exe' 30 </dev/null || {
        echo "sim_start: the devices did not appear" >&2
        return 1
    }
}

sim_stop() {
    local state i
    state="$(_sim_state)"
    [ "$state" = RUNNING ] || return 0
    _sim_wine sc stop "$SIM_SERVICE" >/dev/null
    for i in $(seq 40); do
        state="$(_sim_state)"
        [ "$state" = STOPPED ] && return 0
        sleep 0.5
    done
    echo "sim_stop: service $SIM_SERVICE is still $state" >&2
    return 1
}
