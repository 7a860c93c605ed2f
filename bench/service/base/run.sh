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

# Config at start and exit: loadAll of 16 name spaces holding 20 000 settings of every type, and
# saveAll after a change to every value, beside Python loading and saving the same settings as
# JSON files (json.load flattened by identifier; json.dump, fsync, replace).
python3 "$TESSEL_ROOT/bench/service/base/config_peer.py" generate "$data/config"
mapfile -t config < <(python3 "$TESSEL_ROOT/bench/service/base/config_peer.py" time "$data/config")
printf '%s\n' "${config[@]}"
run config_bench --folder "$data/config" --python-load-ms "$(mbps "${config[0]}")" \
    --python-save-ms "$(mbps "${config[1]}")"
