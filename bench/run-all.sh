#!/usr/bin/env bash
# Runs every benchmark beside its host peer on the same data in the same run; one figure per line.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/env.sh"
bin=$TESSEL_BUILD/bench
data=$TESSEL_BUILD/bench-data
peer="python3 $TESSEL_ROOT/bench/peer.py"
run() { "$TESSEL_ROOT/scripts/wine-run" "$bin/$1.exe" "${@:2}"; }
mbps() { awk '{print $2}' <<<"$1"; }
mkdir -p "$data"

$peer data "$data/64m.bin" 64
$peer data "$data/256m.bin" 256

# CRC-32 against the host's zlib (through Python).
mapfile -t zlib < <($peer zlib-crc32 "$data/64m.bin")
echo "${zlib[0]}"
run crc_bench --data "$data/64m.bin" --expect "${zlib[1]}" --reference-mbps "$(mbps "${zlib[0]}")"

# SHA-1 against the host's sha1sum.
sum=$($peer time sha1sum $((256 << 20)) -- sha1sum "$data/256m.bin")
echo "$sum"
run sha1_bench --data "$data/256m.bin" --expect "$(sha1sum "$data/256m.bin" | cut -c1-40)" \
    --reference-mbps "$(mbps "$sum")"

# Unicode character-property lookups (no peer: the figure stands against its target of 20 M/s).
run charprops_bench 2>/dev/null

# RegEx::search beside direct Oniguruma calls on the same text, in the same program.
run regex_bench 2>/dev/null
