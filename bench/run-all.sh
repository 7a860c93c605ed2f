#!/usr/bin/env bash
# Runs every benchmark beside its host peer on the same data in the same run; one figure per line.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/env.sh"
# Before the first Wine program: Wine picks the display of its server once, when it starts, and
# the framework's benchmarks open windows.
source "$TESSEL_ROOT/scripts/display.sh"
tessel_ensure_display
source "$TESSEL_ROOT/scripts/wine-server.sh"
tessel_start_wine_server
bin=$TESSEL_BUILD/bench
data=$TESSEL_BUILD/bench-data
peer="python3 $TESSEL_ROOT/bench/peer.py"
run() { "$TESSEL_ROOT/scripts/wine-run" "$bin/$1.exe" "${@:2}"; }
mbps() { awk '{print $2}' <<<"$1"; }
mkdir -p "$data"

# Each folder of bench/ adds its figures through a run.sh of its own, sourced here with run,
# mbps, $peer, $data and $bin in scope; the maker's library comes first, then the layers above.
while IFS= read -r part; do
    source "$part"
done < <(find "$TESSEL_ROOT/bench" -mindepth 2 -name run.sh | sort)
