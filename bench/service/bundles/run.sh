# Bundle entry files; sourced by bench/run-all.sh (run, data).

# 2 000 generated entry files over the three layers, read through the bundle storage and checked
# by the base validator, beside a plain read, decode and parse of the same files in the program.
run entry_storage_bench --folder "$data"
