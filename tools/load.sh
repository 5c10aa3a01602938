#!/bin/bash
# Keeps N cores busy until stopped, to try the tests on a loaded machine:
#   tools/load.sh N & load=$!; make test; kill "$load"
# Each busy loop is a child of this script; stopping the script (TERM, INT
# or HUP, by its own id) ends exactly those children.
set -u
n="${1:?usage: tools/load.sh N}"
[[ "$n" =~ ^[0-9]+$ ]] && [ "$n" -ge 1 ] || { echo "load.sh: N must be a positive number" >&2; exit 2; }
pids=()
stop() {
    [ ${#pids[@]} -gt 0 ] && kill "${pids[@]}" 2>/dev/null
    wait "${pids[@]}" 2>/dev/null
    exit 0
}
trap stop TERM INT HUP
for _ in $(seq "$n"); do
    bash -c 'while :; do :; done' &
    pids+=("$!")
done
echo "load.sh: $n busy loops (pids ${pids[*]}); stop with: kill $$" >&2
wait
