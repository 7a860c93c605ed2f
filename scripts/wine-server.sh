# Starts the Wine server of the prefix and its system programs (services, explorer, device
# hosts) before the scripts' first Wine program, with their output going nowhere. Sourced,
# after the display is in place.
#
# Whichever program starts them passes its standard error on to them, and they keep it open
# for as long as the server lives: under ctest, which waits for a test's output to close, the
# test that happened to start them would last until the prefix's last program ended, and for
# ever while another program kept the server. The server stays a few seconds after the last
# program, so that the tests that follow one another keep finding it. The system programs keep
# the environment of the program that started them: the scripts' Wine environment.

source "$TESSEL_ROOT/scripts/wine-env.sh"

tessel_start_wine_server() {
    # Refused, harmlessly, when the server runs already.
    wineserver -p5 </dev/null >/dev/null 2>&1 || true
    # Should this fail, the first test starts them as before.
    wine wineboot.exe </dev/null >/dev/null 2>&1 || true
}
