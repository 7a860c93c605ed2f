#!/usr/bin/env bash
# Sets up what is missing, builds the program (Tessel.exe, its two DLLs and its bundles; the test
# and bench scripts build the tests and benchmarks), and starts Tessel with the files named, if
# any (scripts/run.sh [file ...]): each opens in a tab of its own, in the order given. It shows on
# $DISPLAY, or, without one, on an Xvfb display that it starts, names, and stops when Tessel ends.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/env.sh"
"$here/setup.sh"
"$here/build.sh" --target Tessel
source "$here/display.sh"
if [ -z "${DISPLAY:-}" ]; then
    tessel_ensure_display
    log_step "no DISPLAY: Tessel shows on the Xvfb display $DISPLAY"
fi
source "$here/wine-server.sh"
tessel_start_wine_server
# Tessel reads a Unix path ("/home/...") as an option: each file goes by its Windows name.
files=()
for name in "$@"; do
    files+=("$(winepath -w "$name")")
done
status=0
"$here/wine-run" "$TESSEL_BUILD/app/Tessel.exe" "${files[@]}" || status=$?
exit "$status"
