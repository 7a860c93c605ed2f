# The maker's library beside its host peers; sourced by bench/run-all.sh (run, mbps, peer, data).
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

# UTF-8 <-> UTF-16 against the host's iconv on the same 64 MiB of mixed text; doubles formatted/s.
$peer text "$data/utf8.txt" "$data/utf16.txt" 64
to16=$($peer time utf8_to_utf16_iconv "$(stat -c %s "$data/utf8.txt")" -- iconv -f UTF-8 -t UTF-16LE "$data/utf8.txt")
to8=$($peer time utf16_to_utf8_iconv "$(stat -c %s "$data/utf16.txt")" -- iconv -f UTF-16LE -t UTF-8 "$data/utf16.txt")
echo "$to16"
echo "$to8"
run utf_bench --utf8 "$data/utf8.txt" --utf16 "$data/utf16.txt" \
    --iconv-utf8-to-utf16 "$(mbps "$to16")" --iconv-utf16-to-utf8 "$(mbps "$to8")"

# The text reader decoding 256 MiB of UTF-8 (detected) into UTF-16, against the host's iconv.
$peer text "$data/utf8-256m.txt" "$data/utf16-256m.txt" 256
reader=$($peer time utf8_to_utf16_iconv_256m "$(stat -c %s "$data/utf8-256m.txt")" -- \
    iconv -f UTF-8 -t UTF-16LE "$data/utf8-256m.txt")
echo "$reader"
run text_reader_bench --utf8 "$data/utf8-256m.txt" --utf16 "$data/utf16-256m.txt" \
    --iconv-utf8-to-utf16 "$(mbps "$reader")"

# Unicode character-property lookups (no peer: the figure stands against its target of 20 M/s).
run charprops_bench 2>/dev/null

# RegEx::search beside direct Oniguruma calls on the same text, in the same program.
run regex_bench 2>/dev/null

# Jasmine reading of a 32 MiB JSON document and of the same records as Jasmine, beside Python's
# json.loads of the JSON document (targets: 1.5 and 1.3 times it); the JSON document again through
# a text reader, as bundle entries are read; writing that document as Jasmine and as JSON, beside
# Python's json.dumps of it.
$peer json "$data/doc.json" "$data/doc.jasmine" 32
loads=$($peer json-loads "$data/doc.json")
echo "$loads"
dumps=$($peer json-dumps "$data/doc.json")
echo "$dumps"
run jasmine_bench --json "$data/doc.json" --jasmine "$data/doc.jasmine" --reference-mbps "$(mbps "$loads")" \
    --reference-dumps-mbps "$(mbps "$dumps")"

# Lock and unlock pairs of the library mutex, alone and with four threads (no peer).
run lock_bench

# The log call into a listener that drops lines, beside the debugger output every line goes to.
run log_bench

# Sequential write and read of 256 MiB through FileBuffer, beside dd of the same size and block size.
ddfile="$data/dd-256m.bin"
ddw=$($peer time dd_write $((256 << 20)) -- dd if=/dev/zero of="$ddfile" bs=1M count=256 status=none)
ddr=$($peer time dd_read $((256 << 20)) -- dd if="$ddfile" of=/dev/null bs=1M status=none)
rm -f "$ddfile"
echo "$ddw"
echo "$ddr"
run filebuffer_bench --file "$data/filebuffer-256m.bin" --mib 256 \
    --dd-write-mbps "$(mbps "$ddw")" --dd-read-mbps "$(mbps "$ddr")"

# File streams copying 256 MiB through StreamCopier, beside the host's cp of the same file.
copy=$($peer time cp $((256 << 20)) -- cp "$data/256m.bin" "$data/cp-copy.bin")
rm -f "$data/cp-copy.bin"
echo "$copy"
run file_stream_bench --folder "$data" --data 256m.bin --reference-mbps "$(mbps "$copy")"

# Write and read of a 64 MiB file on the RAM disk and on the temporary-file device (no peer).
run memory_devices_bench --folder "$data" --mib 64

# Message-registry posts from four workers to a main-thread listener beside bare PostMessageW
# from the same threads, and the post-to-delivery latency.
run message_registry_bench
