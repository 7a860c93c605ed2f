#!/usr/bin/env bash
# Sets up what is missing, builds, and runs the benchmarks, printing their figures one per line
# ("name value unit"), each beside its peer where it has one. scripts/bench.sh [folder ...] runs
# only the benchmarks of those folders of bench/ (app, editor, pel, ...).
set -euo pipefail
here=$(dirname "${BASH_SOURCE[0]}")
"$here/setup.sh"
"$here/build.sh"
"$here/../bench/run-all.sh" "$@"
