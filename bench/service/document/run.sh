# The document engine on a 100-million-unit text; sourced by bench/run-all.sh (run, data).

# Gap travel of random edits beside memmove, typing near the start beside the end, line table
# size per line, undo and redo beside typing: all in one program, on the same document.
run document_bench --folder "$data"

# Loading a 100 MB UTF-8 file of mixed text into a document and saving it back, each beside the
# plain read and decode (encode and write) in the same program and beside the host's iconv; the
# peak private bytes of the load per byte of file. Every figure counts bytes of the UTF-8 file.
$peer text "$data/docio-utf8.txt" "$data/docio-utf16.txt" 100
docio_bytes=$(stat -c %s "$data/docio-utf8.txt")
to16=$($peer time docio_iconv_utf8_to_utf16 "$docio_bytes" -- iconv -f UTF-8 -t UTF-16LE "$data/docio-utf8.txt")
to8=$($peer time docio_iconv_utf16_to_utf8 "$docio_bytes" -- iconv -f UTF-16LE -t UTF-8 "$data/docio-utf16.txt")
echo "$to16"
echo "$to8"
run docio_bench --utf8 "$data/docio-utf8.txt" --folder "$data" \
    --iconv-utf8-to-utf16 "$(mbps "$to16")" --iconv-utf16-to-utf8 "$(mbps "$to8")"
