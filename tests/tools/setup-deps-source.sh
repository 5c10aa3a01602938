#!/bin/bash
# The backports source of tools/setup-deps.sh takes its address from the
# machine's own Debian sources: one-line and deb822 files, options, comments,
# disabled entries and non-release suites.
set -u
script="$1"
eval "$(sed -n '/^debian_source()/,/^}/p' "$script")"
type debian_source >/dev/null 2>&1 || { echo "FAIL: no debian_source in $script"; exit 1; }
root=$(mktemp -d) || exit 1
trap 'rm -rf "$root"' EXIT
fail=0
check() {  # NAME EXPECTED
    local got
    got=$(debian_source "$root")
    if [ "$got" = "$2" ]; then echo "ok: $1"; else echo "FAIL: $1: got '$got', expected '$2'"; fail=1; fi
    rm -rf "${root:?}/etc"
}
mk() { mkdir -p "$root/etc/apt/sources.list.d"; cat > "$root/etc/apt/$1"; }

mk sources.list.d/debian.sources <<'S'
Types: deb
# http://snapshot.example/archive/debian/20250520T000000Z
URIs: http://mirror.example/debian
Suites: bookworm bookworm-updates
Components: main

Types: deb
URIs: http://mirror.example/debian-security
Suites: bookworm-security
Components: main
S
check "deb822 with a comment" "http://mirror.example/debian bookworm"

mk sources.list.d/a.sources <<'S'
Types: deb-src
URIs: http://src.example/debian
Suites: bookworm

Enabled: no
Types: deb
URIs: http://off.example/debian
Suites: bookworm

Types: deb
URIs: http://security.example/debian-security
Suites: bookworm-security
S
mk sources.list.d/b.sources <<'S'
types: deb
uris: http://proxy.example:3142/debian
suites: trixie-updates trixie
S
check "source-only, disabled and security paragraphs skipped" "http://proxy.example:3142/debian trixie"

mk sources.list <<'S'
# deb http://commented.example/debian bookworm main
deb-src http://src.example/debian bookworm main
deb http://security.example/debian-security bookworm-security main
deb [arch=amd64 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://list.example/debian bookworm main contrib
S
check "one-line format with options" "http://list.example/debian bookworm"

mk sources.list <<'S'
deb http://security.example/debian-security bookworm-security main
S
check "no release source" ""
exit $fail
