# Gives the programs of the scripts a display: the GUI tests and benchmarks open real windows
# under Wine. Sourced; tessel_ensure_display [WIDTHxHEIGHT] starts Xvfb (1280x1024 unless a size
# is given) on a free display when DISPLAY is unset and stops it when the calling shell exits.

tessel_ensure_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    command -v Xvfb >/dev/null || { echo "no DISPLAY, and Xvfb is not installed" >&2; return 1; }
    local ready
    ready=$(mktemp)
    # -displayfd: Xvfb picks a free display itself and writes its number once it accepts clients.
    Xvfb -displayfd 3 -nolisten tcp -screen 0 "${1:-1280x1024}x24" 3>"$ready" 2>/dev/null &
    TESSEL_XVFB_PID=$!
    trap 'kill "$TESSEL_XVFB_PID" 2>/dev/null && wait "$TESSEL_XVFB_PID" 2>/dev/null; true' EXIT
    local tries=0
    until [ -s "$ready" ]; do
        if ! kill -0 "$TESSEL_XVFB_PID" 2>/dev/null || [ $((tries += 1)) -gt 300 ]; then
            echo "Xvfb did not start" >&2
            rm -f "$ready"
            return 1
        fi
        sleep 0.1
    done
    export DISPLAY=":$(head -n1 "$ready")"
    rm -f "$ready"
}
