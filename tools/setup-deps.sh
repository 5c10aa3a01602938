#!/bin/bash
# Installs what the build and the tests need, from Debian's packages only.
# Idempotent and quick when everything is there: it asks apt only for what is missing.
set -euo pipefail

need_root() { if [ "$(id -u)" != 0 ]; then echo "setup-deps: run as root (or install: $*)" >&2; exit 1; fi; }

# python3 makes the skin's and the tests' artwork; libasound2:i386 is Wine's
# ALSA driver, through which the tests capture sound in an ALSA file device.
# korvfx (host only) reads and writes sound files, measures loudness, takes
# spectra and draws its plots with the audio and drawing libraries below.
host_pkgs=(cmake make g++ libgtest-dev googletest libbenchmark-dev pkg-config
           libsndfile1-dev libebur128-dev libfftw3-dev libcairo2-dev fonts-dejavu-core
           g++-mingw-w64-i686 mingw-w64-i686-dev mingw-w64-tools binutils-mingw-w64-i686
           wine wine32:i386 xvfb xauth x11-utils imagemagick nsis
           python3 libasound2:i386 ccache)

# Wine runs 32-bit Linux code. Some machines (virtualised without a 32-bit
# code segment) cannot execute it natively; there, qemu's user-mode emulator
# runs it. qemu 7.2 ignores MAP_FIXED_NOREPLACE, which breaks Wine's memory
# layout, so the newer one from bookworm-backports is needed.
# The check runs a minimal static 32-bit program (exit(0) through int 0x80),
# so it works before any 32-bit package is installed; setting qemu up first
# lets the 32-bit packages' own install scripts run too.
runs_i386() {
    local probe rc
    probe=$(mktemp) || return 1
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null
    rc=$?
    rm -f "$probe"
    return $rc
}

# Prints "URI SUITE" of the first configured Debian source of a release itself
# (not -updates, -security or -backports), from the one-line (.list) and the
# deb822 (.sources) formats. ROOT (optional) is where etc/apt is looked for.
debian_source() {
    local f root="${1:-}"
    for f in "$root"/etc/apt/sources.list "$root"/etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] || continue
        awk '$1 == "deb" { i = 2; if ($2 ~ /^\[/) { while (i <= NF && $i !~ /\]$/) i++; i++ }
                           if ($(i+1) ~ /^[a-z]+$/) { print $i, $(i+1); exit } }' "$f"
    done
    for f in "$root"/etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk 'function flush() { if (types ~ /(^| )deb( |$)/ && enabled != "no")
                                    for (j = 1; j <= ns; j++) if (s[j] ~ /^[a-z]+$/ && nu) { print u[1], s[j]; found = 1; exit }
                                types = ""; enabled = ""; nu = 0; ns = 0 }
             /^[ \t]*#/ { next }
             /^[ \t]*$/ { flush(); next }
             tolower($1) == "types:" { types = ""; for (k = 2; k <= NF; k++) types = types " " $k; sub(/^ /, "", types) }
             tolower($1) == "uris:" { for (k = 2; k <= NF; k++) u[++nu] = $k }
             tolower($1) == "suites:" { for (k = 2; k <= NF; k++) s[++ns] = $k }
             tolower($1) == "enabled:" { enabled = tolower($2) }
             END { if (!found) flush() }' "$f"
    done | head -n 1 | grep .
}

if ! runs_i386; then
    need_root qemu-user-static
    qemu_ok=0
    if [ -x /usr/bin/qemu-i386 ]; then
        v=$(/usr/bin/qemu-i386 --version | sed -n 's/.*version \([0-9]*\)\..*/\1/p')
        [ "${v:-0}" -ge 8 ] && qemu_ok=1
    fi
    if [ $qemu_ok = 0 ]; then
        if [ ! -f /etc/apt/sources.list.d/korvane-backports.sources ]; then
            # Backports from wherever this machine gets Debian from (a mirror,
            # a proxy, a snapshot): the first source of the release itself.
            read -r mirror release < <(debian_source) || true
            if [ -z "${mirror:-}" ]; then
                echo "setup-deps: no Debian package source configured in /etc/apt; cannot add ${release:-the release}-backports" >&2
                exit 1
            fi
            cat > /etc/apt/sources.list.d/korvane-backports.sources <<SRC
Types: deb
URIs: $mirror
Suites: $release-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
        fi
        release=$(sed -n 's/^Suites: *\([a-z]*\)-backports.*/\1/p' /etc/apt/sources.list.d/korvane-backports.sources)
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -q
        apt-get install -y -q --no-install-recommends -t "${release:-bookworm}-backports" qemu-user-static
    fi
    if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    fi
    if [ -e /proc/sys/fs/binfmt_misc/korvane-i386 ]; then
        echo -1 > /proc/sys/fs/binfmt_misc/korvane-i386
    fi
    qemu=$(readlink -f /usr/bin/qemu-i386)
    printf '%s' ':korvane-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' \
        > /proc/sys/fs/binfmt_misc/register
    runs_i386 || { echo "setup-deps: 32-bit programs still cannot run" >&2; exit 1; }
fi

missing=()
for p in "${host_pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    need_root "${missing[@]}"
    export DEBIAN_FRONTEND=noninteractive
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
