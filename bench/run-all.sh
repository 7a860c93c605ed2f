#!/usr/bin/env bash
# Runs every benchmark (or those under the folders named: "service" runs service/base,
# service/bundles, ...) beside its host peer on the same data in the same run; one figure per
# line. scripts/bench.sh builds first and calls it.
#
# --smoke: the short mode the test command runs, so that a benchmark that no longer runs fails
# the tests: every benchmark once on small inputs, without peers (nothing is installed or
# fetched), its figures meaningless. A run.sh reads it as $smoke (1 or empty); the programs as
# bench::smoke().
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/env.sh"
smoke=
if [ "${1:-}" = --smoke ]; then
    smoke=1
    shift
    export TESSEL_BENCH_SMOKE=1
fi
# Before the first Wine program: Wine picks the display of its server once, when it starts, and
# the framework's benchmarks open windows.
source "$TESSEL_ROOT/scripts/display.sh"
tessel_ensure_display
source "$TESSEL_ROOT/scripts/wine-server.sh"
tessel_start_wine_server
bin=$TESSEL_BUILD/bench
data=$TESSEL_BUILD/bench-data${smoke:+-smoke}
# The host helpers of bench/peer.py. In the short mode the data they write is 1 MiB and their
# timed peers do not run.
bench_peer() {
    if [ -n "$smoke" ]; then
        case $1 in
        time | json-loads | json-dumps)
            no_peer "${2:-peer}"
            return 0
            ;;
        data) set -- "$1" "$2" 1 ;;
        text | json) set -- "$1" "$2" "$3" 1 ;;
        esac
    fi
    python3 "$TESSEL_ROOT/bench/peer.py" "$@"
}
peer=bench_peer
# Figures with a target in bench/targets.txt get it beside them ("name value unit target").
with_targets() {
    awk 'NR == FNR { if ($1 !~ /^#/ && NF == 2) target[$1] = $2; next }
         NF == 3 && ($1 in target) { $0 = $0 " " target[$1] }
         { print; fflush() }' "$TESSEL_ROOT/bench/targets.txt" -
}
# A benchmark that fails ends the run with its status, named.
run() {
    local status start=$SECONDS
    set +e
    "$TESSEL_ROOT/scripts/wine-run" "$bin/$1.exe" "${@:2}" | with_targets
    status=${PIPESTATUS[0]}
    set -e
    [ -z "$smoke" ] || echo "bench: $1 ran $((SECONDS - start)) s" >&2
    if [ "$status" -ne 0 ]; then
        echo "bench: $1 failed with status $status" >&2
        exit "$status"
    fi
}
# A peer's figure in the short mode: none (a benchmark given 0 prints no ratio).
no_peer() { echo "${1:-peer} 0 -"; }
mbps() { awk '{print $2}' <<<"$1"; }
mkdir -p "$data"

# npm_packages PREFIX NAME@VERSION...: host peers' npm packages installed into PREFIX (in the
# cache) unless every one is there at its version; Debian's nodejs and npm first when missing.
npm_packages() {
    local prefix=$1 spec missing=
    shift
    for spec in "$@"; do
        grep -qs "\"version\": \"${spec##*@}\"" "$prefix/node_modules/${spec%@*}/package.json" || missing=1
    done
    [ -n "$missing" ] || return 0
    if [ -n "$smoke" ]; then
        echo "bench: the short mode installs nothing; $* missing" >&2
        return 1
    fi
    if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
        local apt_get="apt-get"
        [ "$(id -u)" = 0 ] || apt_get="sudo apt-get"
        $apt_get install -y nodejs npm >&2
    fi
    mkdir -p "$prefix"
    npm install --prefix "$prefix" --no-audit --no-fund --silent "$@" >&2
}

# Each folder of bench/ adds its figures through a run.sh of its own, sourced here with run,
# mbps, $peer, $data and $bin in scope; the maker's library comes first, then the layers above.
# Folders named on the command line (run-all.sh app service/parser) run alone, each with the
# folders under it.
named() {
    local wanted
    [ $# -gt 1 ] || return 0
    for wanted in "${@:2}"; do
        wanted=${wanted%/}
        if [ "$1" = "$wanted" ] || [[ "$1" == "$wanted"/* ]]; then
            return 0
        fi
    done
    return 1
}
parts=$(find "$TESSEL_ROOT/bench" -mindepth 2 -name run.sh | sort)
matched=
while IFS= read -r part; do
    folder=${part#"$TESSEL_ROOT/bench/"}
    folder=${folder%/run.sh}
    if named "$folder" "$@"; then
        matched=1
        source "$part"
    fi
done <<<"$parts"
if [ -z "$matched" ]; then
    echo "bench: no benchmarks under $*" >&2
    exit 2
fi
