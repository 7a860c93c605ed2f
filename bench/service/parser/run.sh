# Scope paths, scope selectors and replace formats; sourced by bench/run-all.sh (run, mbps, data).

# Selector matching and path building stand beside naive counterparts in the same programs.
run scope_selector_bench
run scope_path_bench

# Format replace-all over English-like text beside GNU sed on the same text.
format_peer="python3 $TESSEL_ROOT/bench/service/parser/format_peer.py"
$format_peer text "$data/format-text.txt" $((8 << 20))
sed_figure=$($format_peer sed "$data/format-text.txt" "$data/format-sed.txt")
echo "$sed_figure"
run format_replace_bench --text "$data/format-text.txt" --expect "$data/format-sed.txt" \
    --sed-mbps "$(mbps "$sed_figure")"

# The scope registry, theme reading and styling, the styling beside a naive matcher of name
# texts in the same program.
run theme_style_bench

# Keystrokes at the top of an 800 000-line file during its first pass: the lock's wait.
run parser_lock_bench

# A line whose rule's every engine call runs away ends within the line budget.
run runaway_line_bench

# Grammar rules, the line matcher and parse jobs, beside vscode-textmate over vscode-oniguruma
# (node on the host, installed into the cache) running the same rules as a TextMate grammar on
# the texts that the peer's script writes.
textmate_prefix=$TESSEL_CACHE/npm/textmate-peer
textmate_peer() { NODE_PATH=$textmate_prefix/node_modules node "$TESSEL_ROOT/bench/service/parser/textmate_peer.js" "$@"; }
textmate_figures=
if [ -z "$smoke" ]; then
    npm_packages "$textmate_prefix" vscode-textmate@9.4.0 vscode-oniguruma@2.0.1
    textmate_peer generate "$data"
    textmate_figures=$(textmate_peer measure "$data")
    echo "$textmate_figures"
elif command -v node >/dev/null; then
    textmate_peer generate "$data" # the texts only: no package is needed for them
fi
textmate_figure() { awk -v name="$1" '$1 == name {print $2}' <<<"$textmate_figures"; }
if [ -z "$smoke" ] || command -v node >/dev/null; then
    run grammar_parse_bench --data "$data" --peer-lines "$(textmate_figure textmate_json_lines_per_s)" \
        --peer-min-150k "$(textmate_figure textmate_json_min_150k_ms)" \
        --peer-min-150k-line "$(textmate_figure textmate_json_min_150k_in_line_rule_ms)" \
        --peer-min-75k "$(textmate_figure textmate_json_min_75k_ms)" \
        --peer-min-75k-line "$(textmate_figure textmate_json_min_75k_in_line_rule_ms)"
else
    echo "bench: grammar_parse_bench skipped: node writes its texts and is not installed" >&2
fi

# A tab stop with 1000 mirrors over a document of a million characters: characters typed into
# its primary through the controller, beside the same edits made on a bare Document in the same
# run (targets: at most 16 ms per character and 3 times the bare edits).
run span_mirror_bench --folder "$data"

# A 20-character word typed at 1 000 carets in a document of 10 million characters, beside the
# same inserts made directly (targets: under 25 ms per keystroke, within 5x); replace all of a
# common whole word (about 12 000 matches) inside a selection of the whole text through the
# search action, beside the search layer's own loop (under 1 s, within 10x), then undo and redo
# (each no slower than the replace all).
run multi_range_bench --folder "$data"
