# The environment of every Wine program the scripts start (set-up, the server's start, tests,
# run.sh, benchmarks); sourced after env.sh. Wine learns the host's fonts from fontconfig and
# records each one it finds in the prefix's registry, where every later program of the prefix
# loads it again, whatever that program's fontconfig says: a single Wine program started with
# the host's fontconfig would change the prefix's text for good. Under the scripts Wine sees only
# scripts/fonts.conf, which names no fonts (the prefix carries its own) and no smoothing, so
# text renders to the same pixels on every machine.
export FONTCONFIG_FILE=$TESSEL_ROOT/scripts/fonts.conf
