#!/usr/bin/env bash
# The end-to-end tests of the screen's scaling (ScalingEndToEnd.*, NarrowWindowEndToEnd.*) at
# 125 %, 150 % and 200 % (120, 144 and 192 DPI); the main run has them at 100 %.
# tests/scripts/scaled-e2e.sh <e2e_tests program> [its options, such as a narrower
# --gtest_filter]; its status is the runs'. TESSEL_SCALED_DPI="144" runs at those DPIs only.
#
# Wine gives each program the DPI of its prefix's LogPixels ("HKCU\Control Panel\Desktop",
# falling back to the machine's font key) as the program starts, and keeps it for the program's
# life; the server need not restart. The other test programs share the project's prefix and
# expect 96 DPI, and a program started there while LogPixels said otherwise would draw at that
# scaling. So these runs have a prefix of their own beside it ("<prefix>-scaled", made by the
# set-up's own steps the first time, 15 to 20 seconds), whose LogPixels they set before each
# start of the driver, and a display of their own, so that their windows take no activation from
# the other tests' (which hold the "foreground" lock of ctest) and need none of it.
set -euo pipefail
program=$1
shift
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# Sourced, the set-up only defines its steps; with them its environment (env.sh, wine-env.sh).
source "$here/../../scripts/setup.sh"
source "$TESSEL_ROOT/scripts/display.sh"
source "$TESSEL_ROOT/scripts/wine-server.sh"

export WINEPREFIX="${WINEPREFIX%/}-scaled"
# Two runs of the same prefix's tests at once would set each other's scaling.
exec 9>"$WINEPREFIX.lock"
flock 9
# The set-up's steps run without a display, as the set-up does: Wine picks the display of its
# server as the server starts, and this server must take the runs' own.
unset DISPLAY
wineserver -k >/dev/null 2>&1 || true
setup_wine_prefix
wineserver -w

# A screen as a scaled one is (a laptop's 2560 x 1600 at 200 %): room around the windows, whose
# first size grows with the scaling, for the pointer to rest where no window is.
tessel_ensure_display 2560x1600
cleanup() {
    WINEPREFIX=$WINEPREFIX wineserver -k >/dev/null 2>&1 || true
    kill "$TESSEL_XVFB_PID" 2>/dev/null && wait "$TESSEL_XVFB_PID" 2>/dev/null
    true
}
trap cleanup EXIT
tessel_start_wine_server

status=0
for dpi in ${TESSEL_SCALED_DPI:-120 144 192}; do
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    # Each run's report beside the others', named by its DPI (the main run's is e2e_tests.xml).
    output=${GTEST_OUTPUT:-}
    if [[ $output == */ ]]; then output="${output}e2e_tests-${dpi}dpi.xml"; fi
    echo "== at $dpi DPI"
    GTEST_OUTPUT=$output wine "$program" --gtest_filter='ScalingEndToEnd.*:NarrowWindowEndToEnd.*' --gtest_brief=1 "$@" ||
        status=1
done
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
exit "$status"
