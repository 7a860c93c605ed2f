# The shell's components: the action chooser with 2,000 candidates opened to its first paint and
# closed, beside a bare Win32 list box of the same titles in the same program.
run action_chooser_bench
