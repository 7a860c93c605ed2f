#!/usr/bin/env bash
# Runs every benchmark with its peer on the same data in the same run; one figure per line.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/env.sh"
bin=$TESSEL_BUILD/bench
data=$TESSEL_BUILD/bench-data
mkdir -p "$data"

# CRC-32 against the host's zlib (through Python).
mapfile -t ref < <(python3 "$TESSEL_ROOT/bench/crc_reference.py" "$data/crc.bin")
echo "${ref[0]}"
"$TESSEL_ROOT/scripts/wine-run" "$bin/crc_bench.exe" --data "$data/crc.bin" --expect "${ref[1]}" \
    --reference-mbps "$(echo "${ref[0]}" | awk '{print $2}')"

# Locks and the log call have no host peer: the figures stand alone.
"$TESSEL_ROOT/scripts/wine-run" "$bin/lock_bench.exe"
"$TESSEL_ROOT/scripts/wine-run" "$bin/log_bench.exe"
