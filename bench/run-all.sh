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

# UTF-8 <-> UTF-16 against the host's iconv on the same 64 MiB of mixed text, and doubles/s.
mapfile -t ref < <(python3 "$TESSEL_ROOT/bench/utf_reference.py" "$data/utf8.txt" "$data/utf16.txt")
printf '%s\n' "${ref[@]}"
"$TESSEL_ROOT/scripts/wine-run" "$bin/utf_bench.exe" --utf8 "$data/utf8.txt" --utf16 "$data/utf16.txt" \
    --iconv-utf8-to-utf16 "$(echo "${ref[0]}" | awk '{print $2}')" \
    --iconv-utf16-to-utf8 "$(echo "${ref[1]}" | awk '{print $2}')"
