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
