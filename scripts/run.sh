#!/usr/bin/env bash
# Sets up what is missing, builds the program (Tessel.exe, its two DLLs and its bundles; the test
# and bench scripts build the tests and benchmarks), and starts Tessel with the file named, if
# any (scripts/run.sh [file]). Tessel opens one file from its command line: the names after the
# first are not passed on, and the script says so. It shows on $DISPLAY, or, without one, on an
# Xvfb display that it starts, names, and stops when Tessel ends.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/env.sh"
if [ $# -gt 1 ]; then
    printf 'Tessel opens one file: %s; not passed on:' "$1" >&2
    printf ' %s' "${@:2}" >&2
    printf '\n' >&2
fi
"$here/setup.sh"
"$here/build.sh" --target Tessel
source "$here/display.sh"
if [ -z "${DISPLAY:-}" ]; then
    tessel_ensure_display
    log_step "no DISPLAY: Tessel shows on the Xvfb display $DISPLAY"
fi
source "$here/wine-server.sh"
tessel_start_wine_server
# Tessel reads a Unix path ("/home/...") as an option: the file goes by its Windows name.
file=()
if [ $# -gt 0 ]; then
    file=("$(winepath -w "$1")")
fi
status=0
"$here/wine-run" "$TESSEL_BUILD/app/Tessel.exe" "${file[@]}" || status=$?
exit "$status"
