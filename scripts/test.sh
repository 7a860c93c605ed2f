#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test under Wine (scripts/test.sh [ctest
# options], such as -R editor_tests). After ctest it lists the test cases that were skipped, per
# test program; its exit status is ctest's.
set -euo pipefail
here=$(dirname "${BASH_SOURCE[0]}")
"$here/setup.sh"
"$here/build.sh"
source "$here/env.sh"
source "$here/display.sh"
tessel_ensure_display
source "$here/wine-server.sh"
tessel_start_wine_server
# Each GoogleTest program writes its report there (as <program>.xml), under Wine's name for it.
results=$TESSEL_BUILD/test-results
rm -rf "$results"
mkdir -p "$results"
cd "$TESSEL_BUILD"
status=0
GTEST_OUTPUT="xml:Z:$results/" ctest --output-on-failure -j "$TESSEL_JOBS" "$@" || status=$?
log_step "skipped test cases"
python3 "$TESSEL_ROOT/scripts/report-skips.py" "$results" || true
exit "$status"
