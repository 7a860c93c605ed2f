#!/usr/bin/env bash
# Sets up what is missing, builds, and runs the benchmarks, printing their figures.
set -euo pipefail
here=$(dirname "${BASH_SOURCE[0]}")
"$here/setup.sh"
"$here/build.sh"
"$here/../bench/run-all.sh"
