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
