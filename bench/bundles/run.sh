# Bundle loading and grammars end to end; sourced by bench/run-all.sh (run, mbps, $data, $bin).

# Bundle loading: the trees are written first
# (where missing), so that the peer's walk of their JSON twin runs on the same entries, then
# the load is timed beside the peer's seconds.
run bundle_load_bench --folder "$data" --write-only 1
bundle_peer=$(python3 "$TESSEL_ROOT/bench/bundles/load_peer.py" "$data/bundle-load/json")
echo "python_json_bundle_walk_seconds $bundle_peer s"
run bundle_load_bench --folder "$data" --peer-seconds "$bundle_peer"

# JavaScript and CSS of tm-grammars, converted into bundles, loaded through the BundleManager and
# compiled, then jquery 2.1.0 highlighted beside vscode-textmate over vscode-oniguruma (node on
# the host; Debian's nodejs and npm installed when missing, the packages into the cache).
highlight_prefix=$TESSEL_CACHE/npm/grammar-bench
highlight_modules=$highlight_prefix/node_modules
npm_packages "$highlight_prefix" tm-grammars@1.32.22 jquery@2.1.0 vscode-textmate@9.4.0 vscode-oniguruma@2.0.1
tm_grammars=$highlight_modules/tm-grammars/grammars
jquery=$highlight_modules/jquery/dist
highlight_data=$data/highlight
rm -rf "$highlight_data"
mkdir -p "$highlight_data/both/bundles" "$highlight_data/js/bundles"
# What the bundle format cannot carry goes to stderr.
convert="python3 $TESSEL_ROOT/bench/bundles/textmate_to_bundle.py"
$convert "$tm_grammars/javascript.json" "$highlight_data/both/bundles"
$convert "$tm_grammars/css.json" "$highlight_data/both/bundles"
$convert "$tm_grammars/javascript.json" "$highlight_data/js/bundles" 2>/dev/null

highlight_peer() { NODE_PATH=$highlight_modules node "$TESSEL_ROOT/bench/bundles/highlight_peer.js" "$@"; }
highlight_figure() { awk -v name="$2" '$1 == name {print $2}' <<<"$1"; }
for input in jquery.js jquery.min.js; do
    name=$(tr . _ <<<"${input%.js}")
    highlight_peer scopes "$tm_grammars" "$jquery/$input" "$highlight_data/$name.scopes"
    peer_figures=$(highlight_peer measure "$tm_grammars" "$jquery/$input" "$name")
    echo "$peer_figures"
    if [ "$name" = jquery ]; then jquery_peer_figures=$peer_figures; fi
    run grammar_highlight_bench --root "$highlight_data/both" --input "$jquery/$input" --name "$name" \
        --scopes "$highlight_data/$name.scopes" --diff-out "$highlight_data/$name.diff" \
        --peer-lines "$([ "$name" = jquery ] && highlight_figure "$peer_figures" "peer_${name}_lines_per_s")" \
        --peer-pass-ms "$(highlight_figure "$peer_figures" "peer_${name}_pass_ms")"
done
# javascript.json alone: our compile and first pass beside the peer's load and first pass.
run grammar_highlight_bench --root "$highlight_data/js" --input "$jquery/jquery.js" --name js_alone --first-pass-only \
    --peer-first-pass-ms "$(highlight_figure "$jquery_peer_figures" peer_jquery_load_first_pass_ms)"
