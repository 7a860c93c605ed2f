# The program as a user starts it: Tessel.exe from a copy of the build with a fresh user folder,
# to its first paint and first highlight of a 40-line C file, opening a 100 MB C file, and opening
# a file of one 50 MB line and typing at its end, each beside bare_window.exe, which only reads,
# decodes, indexes and paints the same file; Replace All on a line of 4,000,000 characters,
# wrapped and not, beside the same records one per line, every character of a line of 1,200,000
# replaced beside the same over lines, and 2,000,000 matches in 100 MB, the window answering; and
# the window's answers while a touched 100 MB file is read for its digest. The server stays up between the runs
# (run-all.sh starts it persistent), so no start pays for it.
if [ -e "$TESSEL_BUILD/app/Tessel.exe" ]; then
    run app_start_bench
    run app_open_bench --megabytes 100
    run app_long_line_bench --megabytes 50
    run app_replace_all_bench --characters 4000000 --dense-characters 1200000 --megabytes 100
    run app_reopen_bench --megabytes 100
    run app_touch_bench --megabytes 100
else
    echo "bench/app: Tessel.exe is not built; its start benchmarks are skipped" >&2
fi
