# The framework's canvas beside the bare GDI calls it wraps, and the bilinear stretch beside a
# memcpy of its target; sourced by bench/run-all.sh (run in scope). No host peer: the peers are
# the system's own calls in the same program.
run canvas_bench
run stretch_bench
