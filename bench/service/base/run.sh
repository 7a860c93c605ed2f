# Background work of the service base: tasks and the background scheduler, each beside the bare
# Win32 mechanism it rests on, measured in the same program; sourced by bench/run-all.sh.

# Steps per second of 64 jobs of 2 000 CRC-32 steps on 1 and 4 workers, beside the Win32 pool.
run bg_throughput_bench
# Idle-pool submit to run, post to message and the UI's time inside a submit to a running job.
run bg_latency_bench
# An empty task from runTask to onTaskFinished, beside CreateThread, PostMessageW and a join.
run task_runner_bench
