# Bundle loading and grammars end to end; sourced by bench/run-all.sh (run, mbps, $data, $bin).

# Bundle loading: the trees are written first
# (where missing), so that the peer's walk of their JSON twin runs on the same entries, then
# the load is timed beside the peer's seconds.
run bundle_load_bench --folder "$data" --write-only 1
if [ -n "$smoke" ]; then
    bundle_peer=0
else
    bundle_peer=$(python3 "$TESSEL_ROOT/bench/bundles/load_peer.py" "$data/bundle-load/json")
    echo "python_json_bundle_walk_seconds $bundle_peer s"
fi
run bundle_load_bench --folder "$data" --peer-seconds "$bundle_peer"

# TextMate grammars of tm-grammars (JavaScript, CSS, C), converted into bundles, loaded through the
# BundleManager and compiled, then real files highlighted beside vscode-textmate over
# vscode-oniguruma (node on the host; Debian's nodejs and npm installed when missing, the packages
# into the cache), every character's scopes compared with the peer's: jquery 2.1.0 with
# javascript.json, bootstrap 5.3.8's CSS with css.json and Oniguruma's own src/regparse.c (from
# Debian's source package of the version the build uses) with c.json.
# The short mode highlights the shipped JavaScript sample with the shipped grammars, no peer.
if [ -n "$smoke" ]; then
    run grammar_highlight_bench --root "$TESSEL_ROOT/data" --input "$TESSEL_ROOT/tests/bundles/shipped/samples/sample.js" \
        --name smoke_js
    return 0
fi
highlight_prefix=$TESSEL_CACHE/npm/grammar-bench
highlight_modules=$highlight_prefix/node_modules
npm_packages "$highlight_prefix" tm-grammars@1.32.22 jquery@2.1.0 bootstrap@5.3.8 vscode-textmate@9.4.0 \
    vscode-oniguruma@2.0.1
tm_grammars=$highlight_modules/tm-grammars/grammars
highlight_data=$data/highlight
rm -rf "$highlight_data"
mkdir -p "$highlight_data/all/bundles" "$highlight_data/js/bundles"
# What the bundle format cannot carry goes to stderr.
convert="python3 $TESSEL_ROOT/bench/bundles/textmate_to_bundle.py"
for grammar in javascript css c; do
    $convert "$tm_grammars/$grammar.json" "$highlight_data/all/bundles"
done
$convert "$tm_grammars/javascript.json" "$highlight_data/js/bundles" 2>/dev/null

# Oniguruma's regparse.c, unpacked from Debian's source package once into the cache.
onig_source=$TESSEL_CACHE/highlight-input/libonig-$ONIG_VERSION
if [ ! -f "$onig_source/src/regparse.c" ]; then
    mkdir -p "$TESSEL_CACHE/highlight-input"
    (cd "$TESSEL_CACHE/highlight-input" && apt-get source -qq libonig >/dev/null 2>&1) ||
        { echo "bench: apt-get source libonig failed" >&2; exit 1; }
fi

highlight_peer() { NODE_PATH=$highlight_modules node "$TESSEL_ROOT/bench/bundles/highlight_peer.js" "$@"; }
highlight_figure() { awk -v name="$2" '$1 == name {print $2}' <<<"$1"; }
# Input, scope name, and the targets of lines per second against the peer's.
while read -r input scope target; do
    name=$(basename "$input" | tr .- __)
    name=${name%_js}
    name=${name%_css}
    highlight_peer scopes "$tm_grammars" "$input" "$highlight_data/$name.scopes" "$scope"
    peer_figures=$(highlight_peer measure "$tm_grammars" "$input" "$name" "$scope")
    echo "$peer_figures"
    if [ "$name" = jquery ]; then jquery_peer_figures=$peer_figures; fi
    run grammar_highlight_bench --root "$highlight_data/all" --input "$input" --name "$name" --scope "$scope" \
        --scopes "$highlight_data/$name.scopes" --diff-out "$highlight_data/$name.diff" \
        --peer-lines "$(highlight_figure "$peer_figures" "peer_${name}_lines_per_s")" \
        --peer-pass-ms "$(highlight_figure "$peer_figures" "peer_${name}_pass_ms")" --target-ratio "$target"
done <<INPUTS
$highlight_modules/jquery/dist/jquery.js source.js 3
$highlight_modules/jquery/dist/jquery.min.js source.js 10
$onig_source/src/regparse.c source.c 3
$highlight_modules/bootstrap/dist/css/bootstrap.css source.css 2
$highlight_modules/bootstrap/dist/css/bootstrap.min.css source.css 10
INPUTS
# javascript.json alone: our compile and first pass beside the peer's load and first pass.
run grammar_highlight_bench --root "$highlight_data/js" --input "$highlight_modules/jquery/dist/jquery.js" \
    --name js_alone --first-pass-only \
    --peer-first-pass-ms "$(highlight_figure "$jquery_peer_figures" peer_jquery_load_first_pass_ms)"
