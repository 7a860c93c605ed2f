#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test under Wine.
set -euo pipefail
here=$(dirname "${BASH_SOURCE[0]}")
"$here/setup.sh"
"$here/build.sh"
source "$here/env.sh"
source "$here/display.sh"
tessel_ensure_display
source "$here/wine-server.sh"
tessel_start_wine_server
cd "$TESSEL_BUILD"
ctest --output-on-failure -j "$TESSEL_JOBS" "$@"
