#!/usr/bin/env bash
# Runs every benchmark (or those of the folders named) beside its host peer on the same data in
# the same run; one figure per line. scripts/bench.sh builds first and calls it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/env.sh"
# Before the first Wine program: Wine picks the display of its server once, when it starts, and
# the framework's benchmarks open windows.
source "$TESSEL_ROOT/scripts/display.sh"
tessel_ensure_display
source "$TESSEL_ROOT/scripts/wine-server.sh"
tessel_start_wine_server
bin=$TESSEL_BUILD/bench
data=$TESSEL_BUILD/bench-data
peer="python3 $TESSEL_ROOT/bench/peer.py"
run() { "$TESSEL_ROOT/scripts/wine-run" "$bin/$1.exe" "${@:2}"; }
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
# Folders named on the command line (run-all.sh app editor) run alone.
while IFS= read -r part; do
    folder=${part#"$TESSEL_ROOT/bench/"}
    folder=${folder%/run.sh}
    if [ $# -eq 0 ] || [[ " $* " == *" $folder "* ]]; then
        source "$part"
    fi
done < <(find "$TESSEL_ROOT/bench" -mindepth 2 -name run.sh | sort)
