# Bundle entry files; sourced by bench/run-all.sh (run, data).

# 2 000 generated entry files over the three layers, read through the bundle storage and checked
# by the base validator, beside a plain read, decode and parse of the same files in the program.
run entry_storage_bench --folder "$data"

# Entry sources over the same files: one value of a 1 MB entry edited and saved beside the whole
# value written and saved, and the 2 000 entries' merged values beside a plain read and parse.
run entry_source_bench --folder "$data"

# New entries and bundle menus: initContent of 1 000 new snippets beside a plain parse of the
# same texts, and the generated menu of a 2 000-item bundle beside sorting the titles.
run bundle_item_bench

# The 65 themes of tm-themes 1.12.12 converted into theme entries (theme_peer.js, which prints
# what the entry format lacks, counted), installed from their text (read, validated, made into
# document themes), beside vscode-textmate 9.4.0 parsing the same themes' JSON and setting each
# on its registry in the same run (target: at least 1 x). Node and the packages go into the
# cache when missing.
# In the short mode, without node, the themes are the shipped bundles' own.
theme_prefix=$TESSEL_CACHE/npm/theme-bench
if [ -z "$smoke" ]; then
    npm_packages "$theme_prefix" tm-themes@1.12.12 vscode-textmate@9.4.0
    theme_peer() { NODE_PATH=$theme_prefix/node_modules node "$TESSEL_ROOT/bench/service/bundles/theme_peer.js" "$@"; }
    theme_source=$theme_prefix/node_modules/tm-themes/themes
    rm -rf "$data/themes"
    theme_peer convert "$theme_source" "$data/themes"
    theme_figures=$(theme_peer measure "$theme_source")
    echo "$theme_figures"
    run theme_install_bench --folder "$data/themes" \
        --peer-themes "$(awk '$1 == "textmate_themes_per_s" {print $2}' <<<"$theme_figures")"
else
    rm -rf "$data/themes"
    mkdir -p "$data/themes"
    find "$TESSEL_ROOT/data/bundles" -name '*.tsTheme' -exec cp {} "$data/themes" \;
    run theme_install_bench --folder "$data/themes"
fi

# A five-line snippet with three tab stops and mirrors inserted at 1 000 carets of a 10 000-line
# document, and undone (target: under 50 ms each; no peer).
run snippet_insert_bench --folder "$data"
