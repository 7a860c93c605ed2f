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
