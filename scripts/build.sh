#!/usr/bin/env bash
# Configures (once) and builds the project for 32-bit Windows into $TESSEL_BUILD.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
export TESSEL_DEPS
if [ ! -f "$TESSEL_BUILD/CMakeCache.txt" ] || ! grep -q "^TESSEL_DEPS:PATH=$TESSEL_DEPS\$" "$TESSEL_BUILD/CMakeCache.txt"; then
    log_step "configuring $TESSEL_BUILD"
    cmake -S "$TESSEL_ROOT" -B "$TESSEL_BUILD" -DCMAKE_TOOLCHAIN_FILE="$TESSEL_ROOT/cmake/mingw-i686.cmake" \
        -DTESSEL_DEPS="$TESSEL_DEPS" >/dev/null
fi
log_step "building"
# Progress lines are dropped; warnings and errors stay. pipefail carries a failed build out.
cmake --build "$TESSEL_BUILD" -j "$TESSEL_JOBS" "$@" 2>&1 | { grep -v '^\[ *[0-9]*%\]' || true; }
