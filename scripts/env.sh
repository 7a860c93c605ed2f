# Shared settings of the project's scripts; sourced, never run.
# Everything machine-wide that the scripts make lives outside the clone, under TESSEL_CACHE.

TESSEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TESSEL_CACHE=${TESSEL_CACHE:-$HOME/.cache/tessel}
TESSEL_BUILD=${TESSEL_BUILD:-$TESSEL_ROOT/build}
TESSEL_HOST=i686-w64-mingw32
TESSEL_JOBS=${TESSEL_JOBS:-$(nproc)}

# Wine runs in a prefix of the project's own; Mono and Gecko are never offered.
export WINEPREFIX=${WINEPREFIX:-$TESSEL_CACHE/wine32}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# Versions of the cross-built dependencies, as Debian 12 ships their sources.
ONIG_VERSION=6.9.8
ICU_VERSION=72.1
PNG_VERSION=1.6.39

tessel_deps_key() {
    local sum
    sum=$(cat "$TESSEL_ROOT/scripts/build-deps.sh" "$TESSEL_ROOT/scripts/env.sh" | sha256sum | cut -c1-12)
    echo "onig${ONIG_VERSION}-icu${ICU_VERSION}-png${PNG_VERSION}-$sum"
}

TESSEL_DEPS=$TESSEL_CACHE/deps-$(tessel_deps_key)

log_step() { printf '== %s\n' "$*" >&2; }
