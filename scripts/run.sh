#!/usr/bin/env bash
# Sets up what is missing, builds, and starts Tessel with the files named (scripts/run.sh
# [file ...]). It shows on $DISPLAY, or, without one, on an Xvfb display that it starts, names,
# and stops when Tessel ends.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$here/setup.sh"
"$here/build.sh"
source "$here/env.sh"
source "$here/display.sh"
if [ -z "${DISPLAY:-}" ]; then
    tessel_ensure_display
    log_step "no DISPLAY: Tessel shows on the Xvfb display $DISPLAY"
fi
source "$here/wine-server.sh"
tessel_start_wine_server
# Tessel reads a Unix path ("/home/...") as an option: each file goes by its Windows name.
files=()
for file in "$@"; do
    files+=("$(winepath -w "$file")")
done
status=0
"$here/wine-run" "$TESSEL_BUILD/app/Tessel.exe" "${files[@]}" || status=$?
exit "$status"
