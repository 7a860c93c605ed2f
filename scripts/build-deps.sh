#!/usr/bin/env bash
# Cross-builds Oniguruma, ICU (common library, data cut down to the converter aliases, a few code
# pages and the rules of character boundaries) and libpng from Debian's source packages into
# $TESSEL_DEPS. The cache counts only when its stamp exists; a run that fails half way leaves
# nothing that a later run would take for good.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

[ -f "$TESSEL_DEPS/.complete" ] && exit 0

mkdir -p "$TESSEL_CACHE"
work=$(mktemp -d "$TESSEL_CACHE/build-deps.XXXXXX")
stage=$TESSEL_DEPS.partial
trap 'rm -rf "$work"' EXIT
# Leftovers of runs that stopped half way are never used: clear them.
rm -rf "$TESSEL_CACHE"/deps-*.partial
mkdir -p "$stage/include" "$stage/lib"

CROSS_FLAGS="-O2 -msse2 -mfpmath=sse"
TOOLCHAIN=$TESSEL_ROOT/cmake/mingw-i686.cmake

fetch_source() {   # package, upstream version: unpacks Debian's source package, patches applied
    log_step "fetching the source of $1 $2"
    (cd "$work" && apt-get source -qq "$1" >/dev/null 2>&1) || { echo "apt-get source $1 failed" >&2; exit 1; }
    [ -d "$work/$1-$2" ] || { echo "expected $1 $2 from Debian's sources, got: $(ls "$work")" >&2; exit 1; }
}

cmake_cross() {    # source dir, build dir, extra options...
    local src=$1 bld=$2
    shift 2
    cmake -S "$src" -B "$bld" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$stage" -DCMAKE_C_FLAGS="$CROSS_FLAGS" -DBUILD_SHARED_LIBS=OFF \
        "$@" >"$bld.log" 2>&1 || { tail -40 "$bld.log"; exit 1; }
    cmake --build "$bld" -j "$TESSEL_JOBS" >>"$bld.log" 2>&1 || { tail -40 "$bld.log"; exit 1; }
    cmake --install "$bld" >>"$bld.log" 2>&1 || { tail -40 "$bld.log"; exit 1; }
}

build_oniguruma() {
    fetch_source libonig "$ONIG_VERSION"
    log_step "building Oniguruma"
    cmake_cross "$work/libonig-$ONIG_VERSION" "$work/onig-build" -DENABLE_POSIX_API=OFF \
        -DINSTALL_DOCUMENTATION=OFF -DBUILD_TEST=OFF
}

build_libpng() {
    fetch_source libpng1.6 "$PNG_VERSION"
    log_step "building libpng"
    cmake_cross "$work/libpng1.6-$PNG_VERSION" "$work/png-build" -DPNG_SHARED=OFF -DPNG_STATIC=ON \
        -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_BUILD_ZLIB=OFF \
        -DZLIB_LIBRARY=/usr/$TESSEL_HOST/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/$TESSEL_HOST/include
}

build_icu() {
    fetch_source icu "$ICU_VERSION"
    local src="$work/icu-$ICU_VERSION/source" native="$work/icu-native" cross="$work/icu-cross"
    local datname="icudt${ICU_VERSION%%.*}l" entry="icudt${ICU_VERSION%%.*}"

    # The cross build runs the data tools of a native build of the same sources.
    log_step "building ICU's native tools"
    mkdir -p "$native"
    (cd "$native" && "$src/configure" --disable-tests --disable-samples --disable-extras \
        --disable-icuio --disable-layoutex --with-data-packaging=archive CC=gcc CXX=g++ \
        >"$native.log" 2>&1 && mkdir -p lib bin && make config/icucross.mk config/icucross.inc >>"$native.log" 2>&1 \
        && for dir in stubdata common i18n tools/toolutil tools/icupkg tools/genccode; do
               make -j "$TESSEL_JOBS" -C "$dir" >>"$native.log" 2>&1 || exit 1
           done) || { tail -40 "$native.log"; exit 1; }

    log_step "cross-building ICU's common library"
    mkdir -p "$cross"
    (cd "$cross" && "$src/configure" --host="$TESSEL_HOST" --with-cross-build="$native" \
        --enable-static --disable-shared --disable-tools --disable-tests --disable-samples \
        --disable-extras --disable-icuio --disable-layoutex --with-data-packaging=static \
        --prefix="$stage" CC="$TESSEL_HOST-gcc-posix" CXX="$TESSEL_HOST-g++-posix" \
        CFLAGS="$CROSS_FLAGS" CXXFLAGS="$CROSS_FLAGS -std=c++17" CPPFLAGS="-DU_STATIC_IMPLEMENTATION" \
        >"$cross.log" 2>&1 && mkdir -p lib \
        && make -j "$TESSEL_JOBS" -C common >>"$cross.log" 2>&1) || { tail -40 "$cross.log"; exit 1; }
    cp "$cross"/lib/libsicuuc.a "$stage/lib/"
    mkdir -p "$stage/include/unicode"
    cp "$src"/common/unicode/*.h "$stage/include/unicode/"

    # The data library holds the converter alias table and a few code-page tables. The Unicode
    # converters (UTF-8/16/32 and their relatives), US-ASCII and ISO-8859-1 are algorithmic and
    # need only the aliases. The program converts the Unicode forms through ICU; the system ANSI
    # code page goes through Windows. Kept: the Windows single-byte pages 1250-1258 (about 3 KB
    # each) and Shift_JIS (ibm-943_P15A-2003) as the multi-byte case. Beside them the rules of
    # the character (grapheme cluster) break iterator (char.brk, about 14 KB, its own property
    # table inside) and the root bundle that names it (root.res, under 1 KB): the editor's caret
    # stops and deletions go by them. The other break rules and their dictionaries, which the
    # bundle names too, stay out.
    log_step "packaging ICU's converter and character boundary data"
    local tools="$native/bin" data="$work/icu-data"
    mkdir -p "$data/items"
    export LD_LIBRARY_PATH="$native/lib"
    printf '%s\n' cnvalias.icu \
        ibm-5346_P100-1998.cnv ibm-5347_P100-1998.cnv ibm-5348_P100-1997.cnv \
        ibm-5349_P100-1998.cnv ibm-5350_P100-1998.cnv ibm-9447_P100-2002.cnv \
        ibm-9448_X100-2005.cnv ibm-9449_P100-2002.cnv ibm-5354_P100-1998.cnv \
        ibm-943_P15A-2003.cnv brkitr/root.res brkitr/char.brk >"$data/items.lst"
    "$tools/icupkg" -x "$data/items.lst" -d "$data/items" "$src/data/in/$datname.dat"
    "$tools/icupkg" --ignore-deps -a "$data/items.lst" -s "$data/items" new "$data/$datname.dat"
    "$tools/genccode" -a gcc-cygwin -e "$entry" -d "$data" "$data/$datname.dat" >/dev/null
    "$TESSEL_HOST-gcc-posix" -c -o "$data/icudata.o" "$data/${datname}_dat.S"
    "$TESSEL_HOST-gcc-ar-posix" rcs "$stage/lib/libsicudt.a" "$data/icudata.o"
    unset LD_LIBRARY_PATH
}

build_oniguruma
build_libpng
build_icu

touch "$stage/.complete"
rm -rf "$TESSEL_DEPS"
mv "$stage" "$TESSEL_DEPS"
log_step "dependencies ready in $TESSEL_DEPS"
