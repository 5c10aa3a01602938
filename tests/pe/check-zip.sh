#!/bin/bash
# The zip holds exactly the program and the wave hook as built and the read-me,
# at its top level.
#   check-zip.sh ZIP KORVANE_EXE [HOOK_DLL]
set -u
zip="$1" exe="$2" hook="${3:-}"
[ -f "$zip" ] || { echo "FAIL: $zip not built"; exit 1; }
dir=$(mktemp -d) || exit 1
trap 'rm -rf "$dir"' EXIT
(cd "$dir" && cmake -E tar xf "$zip") || { echo "FAIL: cannot unpack $zip"; exit 1; }
names=$(cd "$dir" && find . -type f | sort | tr '\n' ' ')
fail=0
[ "$names" = "./Korvane.exe ./Liesmich.txt ./WavHok32.dll " ] || { echo "FAIL: contents are: $names"; fail=1; }
cmp -s "$dir/Korvane.exe" "$exe" || { echo "FAIL: Korvane.exe differs from $exe"; fail=1; }
[ -z "$hook" ] || cmp -s "$dir/WavHok32.dll" "$hook" || { echo "FAIL: WavHok32.dll differs from $hook"; fail=1; }
# Windows line ends, so that every editor shows it.
[ "$(tr -cd '\n' <"$dir/Liesmich.txt" | wc -c)" = "$(tr -cd '\r' <"$dir/Liesmich.txt" | wc -c)" ] ||
    { echo "FAIL: Liesmich.txt has lone line feeds"; fail=1; }
[ $fail = 0 ] && echo "zip ok: $names"
exit $fail
