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

# Unicode character-property lookups (no peer: the figure stands against its target of 20 M/s).
"$TESSEL_ROOT/scripts/wine-run" "$bin/charprops_bench.exe" 2>/dev/null

# RegEx::search beside direct Oniguruma calls on the same text, in the same program.
"$TESSEL_ROOT/scripts/wine-run" "$bin/regex_bench.exe" 2>/dev/null
