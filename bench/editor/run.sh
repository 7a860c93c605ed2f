# The editor view in a shown window (run-all.sh gives it a display): keystrokes, first paint of a
# 100 MB document, page scrolls and the line cache's memory, each beside the bare Uniscribe calls
# or the memory operation it is measured against, in the same program.
run editor_view_bench --megabytes 100
run editor_input_bench
# Paired characters typed beside plain ones, Right presses with the status strip following beside
# none, and the drop marker moved and redrawn beside the bare layered-window calls.
run editor_extras_bench
