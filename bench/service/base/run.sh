# The service base beside its host peers; sourced by bench/run-all.sh (run, mbps, peer, data).

# Value-tree text: the records of the Jasmine benchmark (32 MiB of JSON) written as value-tree
# text, parsed and written beside Python's json.loads and json.dumps of the same records as JSON.
$peer json "$data/doc.json" "$data/doc.jasmine" 32
python3 "$TESSEL_ROOT/bench/service/base/valuetree.py" "$data/doc.json" "$data/doc.tsConfig"
loads=$($peer json-loads "$data/doc.json")
dumps=$($peer json-dumps "$data/doc.json")
echo "$loads"
echo "$dumps"
run value_tree_bench --file "$data/doc.tsConfig" --reference-loads-mbps "$(mbps "$loads")" \
    --reference-dumps-mbps "$(mbps "$dumps")"

# Background work: tasks and the background scheduler, each beside the bare Win32 mechanism it
# rests on, measured in the same program.

# Steps per second of 64 jobs of 2 000 CRC-32 steps on 1 and 4 workers, beside the Win32 pool.
run bg_throughput_bench
# Idle-pool submit to run, post to message and the UI's time inside a submit to a running job.
run bg_latency_bench
# An empty task from runTask to onTaskFinished, beside CreateThread, PostMessageW and a join.
run task_runner_bench

# Config at start and exit: loadAll of 16 name spaces holding 20 000 settings of every type, and
# saveAll after a change to every value, beside Python loading and saving the same settings as
# JSON files (json.load flattened by identifier; json.dump, fsync, replace).
python3 "$TESSEL_ROOT/bench/service/base/config_peer.py" generate "$data/config"
if [ -n "$smoke" ]; then
    config=("$(no_peer)" "$(no_peer)")
else
    mapfile -t config < <(python3 "$TESSEL_ROOT/bench/service/base/config_peer.py" time "$data/config")
fi
printf '%s\n' "${config[@]}"
run config_bench --folder "$data/config" --python-load-ms "$(mbps "${config[0]}")" \
    --python-save-ms "$(mbps "${config[1]}")"
