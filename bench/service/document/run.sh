# The document engine on a 100-million-unit text; sourced by bench/run-all.sh (run, data).

# Gap travel of random edits beside memmove, typing near the start beside the end, line table
# size per line, undo and redo beside typing: all in one program, on the same document.
run document_bench --folder "$data"

# Search and replace over 100 million characters of English-like text, beside grep, ripgrep and
# sed on the same file. Debian's ripgrep is installed here when it is missing (never by the tests).
# The short mode runs no peer but sed, whose output is the replace's expected result.
if [ -z "$smoke" ] && ! command -v rg >/dev/null; then
    apt-get install -y -qq ripgrep >/dev/null
fi
search_peer="python3 $TESSEL_ROOT/bench/service/document/search_peer.py"
search_text="$data/search-text.txt"
$search_peer text "$search_text" "$([ -n "$smoke" ] && echo 1 || echo 100)"
search_peers=()
set -f # the patterns are no file names
while [ -z "$smoke" ] && read -r option name command; do
    # shellcheck disable=SC2086
    mapfile -t figure < <($search_peer time "$name" "$search_text" -- $command "$search_text")
    echo "${figure[0]} (${figure[1]} lines)"
    search_peers+=("$option" "$(mbps "${figure[0]}")")
done <<'PEERS'
--grep-F grep_F_rare grep -F -c hippopotami
--grep-Fi grep_Fi_rare grep -F -c -i hippopotami
--grep-Fw grep_Fw_rare grep -F -c -w hippopotami
--rg-F rg_F_rare rg -F -c hippopotami
--rg-Fi rg_Fi_rare rg -F -c -i hippopotami
--rg-Fw rg_Fw_rare rg -F -c -w hippopotami
--grep-P-literal grep_P_literal_led grep -P -c sel[a-z]+ion
--rg-literal rg_literal_led rg -c sel[a-z]+ion
--grep-P-boundary grep_P_boundary_led grep -P -c \bw\d+7\b
--rg-boundary rg_boundary_led rg -c \bw\d+7\b
PEERS
set +f
sed_figure=$($search_peer sed "$search_text" "$data/search-sed.txt")
echo "$sed_figure"
run search_bench --text "$search_text" --folder "$data" --expect "$data/search-sed.txt" \
    --sed-seconds "$(mbps "$sed_figure")" "${search_peers[@]}"
# With TESSEL_BENCH_BASE naming the build folder of another revision (say the one a change
# started from), the search benchmark runs again beside that build's, turn about, nine times
# each, and every figure is printed beside the base's with their ratio ("..._vs_base").
if [ -z "$smoke" ] && [ -n "${TESSEL_BENCH_BASE:-}" ]; then
    python3 "$TESSEL_ROOT/bench/beside-base.py" "$TESSEL_BENCH_BASE" search_bench 9 -- \
        --text "$search_text" --folder "$data" | with_targets
fi

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

# Opening and releasing 1 000 small files through the DocumentManager (the loader hand-off, undo
# log, parse job and watch entry of each), beside reading and decoding the same files directly
# with the file facade and decode_text in the same program (target: within 6x).
run doc_manager_bench --folder "$data" --files 1000

# A keystroke through the DocumentController (edit transaction, typeText at one caret, its undo
# and selection records, notices) on a generated text of 100 million units, at the start, the
# middle and the end, beside a bare Document::insert in its own change bracket in the same run
# (targets: at most 4x the bare insert and under 0.2 ms); then undo and redo per step of 1 000
# typed characters, beside the document's own replay.
run controller_bench --folder "$data"
