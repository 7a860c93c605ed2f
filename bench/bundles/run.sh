# Bundle loading; sourced by bench/run-all.sh (run, data, bin). The trees are written first
# (where missing), so that the peer's walk of their JSON twin runs on the same entries, then
# the load is timed beside the peer's seconds.
run bundle_load_bench --folder "$data" --write-only 1
bundle_peer=$(python3 "$TESSEL_ROOT/bench/bundles/load_peer.py" "$data/bundle-load/json")
echo "python_json_bundle_walk_seconds $bundle_peer s"
run bundle_load_bench --folder "$data" --peer-seconds "$bundle_peer"
