# Sourced before a Wine session of the tests: whatever the session plays goes
# into a file instead of a sound card, so the tests can compare it with what
# the effects should make of their signal. ALSA reads ~/.asoundrc, so the
# session gets a HOME of its own whose default device is a `file` device over
# a `null` one (written as fast as Wine hands the samples over).
#   audio_capture_home BUILD [NAME]   (NAME: the HOME's folder in BUILD, audio-home by default)
# exports HOME and KORVANE_AUDIO_OUT (the Linux path of the capture file; each
# device opened starts it over).
audio_capture_home() {
    local build="${1:?usage: audio_capture_home BUILD [NAME]}" home
    home="$build/${2:-audio-home}"
    mkdir -p "$home" || return 1
    # The X server of a display the user gave stays reachable with the new HOME.
    if [ -n "${DISPLAY:-}" ] && [ -z "${XAUTHORITY:-}" ] && [ -f "$HOME/.Xauthority" ]; then
        export XAUTHORITY="$HOME/.Xauthority"
    fi
    cat > "$home/.asoundrc" <<ASOUND
pcm.!default {
    type file
    slave.pcm "null"
    file "$home/capture.raw"
    format "raw"
}
ASOUND
    export HOME="$home"
    export KORVANE_AUDIO_OUT="$home/capture.raw"
}
