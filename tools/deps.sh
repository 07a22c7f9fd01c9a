#!/usr/bin/env bash
# Installs the native tools the build needs and cross-builds the third-party
# libraries from Debian's source packages into a prefix outside the tree.
# Every library is stamped by version: a second run only checks the stamps.
#
#   tools/deps.sh [ARCH]     ARCH is i686 (default) or x86_64; prints the prefix
#   CORRIN_DEPS=/path        where the prefixes live (default ~/.cache/corrin-deps)
set -euo pipefail

ARCH=${1:-i686}
case $ARCH in i686|x86_64) ;; *) echo "deps: unknown arch $ARCH" >&2; exit 2;; esac
DEPS_ROOT=${CORRIN_DEPS:-$HOME/.cache/corrin-deps}
PREFIX=$DEPS_ROOT/$ARCH
SRC=$DEPS_ROOT/src
JOBS=$(nproc)
CC=$ARCH-w64-mingw32-gcc-posix
CXX=$ARCH-w64-mingw32-g++-posix
AR=$ARCH-w64-mingw32-ar

SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo

NATIVE_PKGS="cmake ninja-build g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools wine wine32 wine64
xvfb xauth python3 openssl 7zip tcl fonts-wqy-zenhei locales curl dpkg-dev ca-certificates"

log() { echo "deps: $*" >&2; }

ensure_native() {
    local missing=""
    dpkg --print-foreign-architectures | grep -qx i386 || { $SUDO dpkg --add-architecture i386; missing="force"; }
    for p in $NATIVE_PKGS; do
        dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    log "installing:$missing"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $NATIVE_PKGS >/dev/null
}

ensure_deb_src() {
    local f=/etc/apt/sources.list.d/debian.sources
    if [ -f "$f" ] && ! grep -q 'deb-src' "$f"; then
        log "enabling deb-src"
        $SUDO sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"
        $SUDO apt-get update -qq
    fi
}

# fetch NAME -> unpacks Debian's source package NAME into $SRC/NAME, prints the dir
fetch() {
    local name=$1 dir
    mkdir -p "$SRC/$name"
    dir=$(find "$SRC/$name" -mindepth 1 -maxdepth 1 -type d | head -1)
    if [ -z "$dir" ]; then
        ensure_deb_src
        (cd "$SRC/$name" && apt-get source -qq "$name" >/dev/null 2>&1) || { log "apt-get source $name failed"; exit 1; }
        dir=$(find "$SRC/$name" -mindepth 1 -maxdepth 1 -type d | head -1)
    fi
    echo "$dir"
}

stamped() { [ -f "$PREFIX/stamps/$1" ]; }
stamp() { mkdir -p "$PREFIX/stamps"; touch "$PREFIX/stamps/$1"; }

build_sqlite() {
    local s=sqlite3-3.40.1; stamped $s && return 0
    log "building $s"
    local d; d=$(fetch sqlite3)
    local b=$SRC/sqlite3-build-$ARCH; rm -rf "$b"; mkdir -p "$b"
    (cd "$b" && "$d/configure" >/dev/null && make -s sqlite3.c >/dev/null)
    mkdir -p "$PREFIX/bin" "$PREFIX/include" "$PREFIX/lib"
    $CC -O2 -shared -o "$PREFIX/bin/sqlite3.dll" "$b/sqlite3.c" \
        -DSQLITE_API='__declspec(dllexport)' -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_FTS5 \
        -Wl,--out-implib,"$PREFIX/lib/libsqlite3.dll.a" -static-libgcc
    cp "$b/sqlite3.h" "$PREFIX/include/"
    stamp $s
}

build_cjson() {
    local s=cjson-1.7.15; stamped $s && return 0
    log "building $s"
    local d; d=$(fetch cjson)
    local b=$SRC/cjson-build-$ARCH; rm -rf "$b"; mkdir -p "$b" "$PREFIX/include" "$PREFIX/lib"
    $CC -O2 -DCJSON_HIDE_SYMBOLS -c "$d/cJSON.c" -o "$b/cJSON.o"
    $AR rcs "$PREFIX/lib/libcjson.a" "$b/cJSON.o"
    cp "$d/cJSON.h" "$PREFIX/include/"
    stamp $s
}

toolchain_args() {
    echo "-DCMAKE_TOOLCHAIN_FILE=$TOOLCHAIN -DCMAKE_INSTALL_PREFIX=$PREFIX -DCMAKE_BUILD_TYPE=Release -G Ninja"
}

build_jsoncpp() {
    local s=jsoncpp-1.9.5; stamped $s && return 0
    log "building $s"
    local d; d=$(fetch libjsoncpp)
    local b=$SRC/jsoncpp-build-$ARCH; rm -rf "$b"
    cmake -S "$d" -B "$b" $(toolchain_args) -DJSONCPP_WITH_TESTS=OFF -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF \
        -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF -DJSONCPP_WITH_PKGCONFIG_SUPPORT=OFF \
        -DJSONCPP_WITH_CMAKE_PACKAGE=OFF >/dev/null
    cmake --build "$b" -j "$JOBS" >/dev/null
    cmake --install "$b" >/dev/null
    stamp $s
}

build_rapidxml() {
    local s=rapidxml-1.13; stamped $s && return 0
    log "installing $s headers"
    local b=$SRC/rapidxml-bin; rm -rf "$b"; mkdir -p "$b" "$PREFIX/include"
    (cd "$b" && apt-get download -qq librapidxml-dev >/dev/null 2>&1 && dpkg -x librapidxml-dev_*.deb x)
    cp -r "$b"/x/usr/include/rapidxml "$PREFIX/include/"
    stamp $s
}

build_lzma() {
    local s=lzma7z-22.01; stamped $s && return 0
    log "building $s"
    local d; d=$(fetch 7zip)
    local b=$SRC/lzma-build-$ARCH; rm -rf "$b"; mkdir -p "$b" "$PREFIX/include/lzma" "$PREFIX/lib"
    local f
    for f in 7zArcIn 7zBuf 7zCrc 7zCrcOpt 7zDec 7zStream LzmaDec Lzma2Dec Bcj2 Bra Bra86 BraIA64 Delta \
             Ppmd7 Ppmd7Dec 7zFile 7zAlloc CpuArch; do
        [ -f "$d/C/$f.c" ] || continue
        $CC -O2 -DZ7_PPMD_SUPPORT -D_7ZIP_PPMD_SUPPPORT -DZ7_EXTRACT_ONLY -D_7ZIP_ST -c "$d/C/$f.c" -o "$b/$f.o"
    done
    $AR rcs "$PREFIX/lib/liblzma7z.a" "$b"/*.o
    cp "$d"/C/*.h "$PREFIX/include/lzma/"
    stamp $s
}

build_duktape() {
    local s=duktape-2.7.0; stamped $s && return 0
    log "building $s"
    local d; d=$(fetch duktape)
    local b=$SRC/duktape-build-$ARCH; rm -rf "$b"; mkdir -p "$b" "$PREFIX/include/duktape" "$PREFIX/lib"
    $CC -O2 -std=c99 -c "$d/src/duktape.c" -o "$b/duktape.o"
    $AR rcs "$PREFIX/lib/libduktape.a" "$b/duktape.o"
    cp "$d"/src/duk_config.h "$d"/src/duktape.h "$PREFIX/include/duktape/"
    stamp $s
}

build_gtest() {
    local s=googletest-1.12.1; stamped $s && return 0
    log "building $s"
    local d; d=$(fetch googletest)
    local b=$SRC/gtest-build-$ARCH; rm -rf "$b"
    cmake -S "$d" -B "$b" $(toolchain_args) -Dgtest_disable_pthreads=OFF -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON >/dev/null
    cmake --build "$b" -j "$JOBS" >/dev/null
    cmake --install "$b" >/dev/null
    stamp $s
}

ensure_native
TOOLCHAIN=$(cd "$(dirname "$0")/.." && pwd)/cmake/mingw-$ARCH.cmake
mkdir -p "$PREFIX" "$SRC"
build_sqlite
build_cjson
build_jsoncpp
build_rapidxml
build_lzma
build_duktape
build_gtest
echo "$PREFIX"
