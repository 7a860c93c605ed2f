# The document engine on a 100-million-unit text; sourced by bench/run-all.sh (run, data).

# Gap travel of random edits beside memmove, typing near the start beside the end, line table
# size per line, undo and redo beside typing: all in one program, on the same document.
run document_bench --folder "$data"
