#!/usr/bin/env bash
# Builds what the Windows program links, for 64-bit MinGW-w64, from Debian's own
# source packages: zlib, minizip, SQLite, OpenSSL, libpq, libsodium, FreeXL (on a
# small iconv over Windows code pages), libxlsxwriter and Qt's base.
#
# Each library is built into its own folder of the cache, named by a hash of its
# recipe and of the folders it is built on: a changed recipe rebuilds that
# library and what is built on it, nothing else. The apt lists and sources the
# script fetches are its own; the machine's apt sources stay as they are.
#
# The last line printed is the file to source for the cross build's settings.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
CACHE=${VELMORA_MINGW_CACHE:-/var/cache/velmora-mingw}
JOBS=${JOBS:-2}
HOST=x86_64-w64-mingw32
export CC=$HOST-gcc-posix CXX=$HOST-g++-posix AR=$HOST-ar RANLIB=$HOST-ranlib
export RC=$HOST-windres WINDRES=$HOST-windres STRIP=$HOST-strip
export CFLAGS="-O2" CXXFLAGS="-O2"
mkdir -p "$CACHE"

source "$ROOT/scripts/common.sh"
VELMORA_MINGW_PACKAGES=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
    binutils-mingw-w64-x86-64 dpkg-dev cmake ninja-build make perl tcl pkg-config autoconf automake libtool
    qt6-base-dev qt6-base-dev-tools libgl-dev libxkbcommon-dev xz-utils bzip2 file
    debian-archive-keyring ca-certificates)
velmora_install "${VELMORA_MINGW_PACKAGES[@]}"
# Only the packages: so that a build in the background never runs apt-get
# beside another.
[ "${1:-}" != --install-only ] || exit 0

# --- sources, through a deb-src list of the script's own ---------------------
APT=$CACHE/apt
apt_opts=(-o "Dir::Etc::SourceList=$APT/sources.list" -o "Dir::Etc::SourceParts=$APT/parts"
    -o "Dir::State::Lists=$APT/lists" -o "Dir::Cache=$APT/cache" -o "APT::Sandbox::User=root")
apt_sources() {
    mkdir -p "$APT/lists/partial" "$APT/cache/archives/partial" "$APT/parts"
    # The archive the machine already uses; its security pool is not always served.
    local uri
    uri=$(grep -rhoE 'https?://[^ ]*/debian/?( |$)' /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null |
        grep -v security | head -n 1 | tr -d ' ' || true)
    uri=${uri:-http://deb.debian.org/debian}
    local list="deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] ${uri%/} bookworm main"
    if [ "$(cat "$APT/sources.list" 2>/dev/null)" != "$list" ] || [ -z "$(ls "$APT/lists" | grep Sources)" ]; then
        echo "$list" >"$APT/sources.list"
        apt-get "${apt_opts[@]}" update -q >/dev/null
    fi
}
# unpack SOURCE-PACKAGE DIR: the source tree with Debian's patches applied.
unpack() {
    local pkg=$1 dir=$2
    apt_sources
    mkdir -p "$CACHE/src"
    (cd "$CACHE/src" && ls "${pkg}"_*.dsc >/dev/null 2>&1 ||
        apt-get "${apt_opts[@]}" source --download-only -q "$pkg" >/dev/null)
    local dsc
    dsc=$(ls "$CACHE/src/${pkg}"_*.dsc | sort -V | tail -n 1)
    rm -rf "$dir"
    dpkg-source --no-check -x "$dsc" "$dir" >/dev/null
}

# --- stages ------------------------------------------------------------------
declare -A STAGE
# stage NAME DEPENDENCY...: runs build_NAME OUT WORK unless its folder is built.
stage() {
    local name=$1
    shift
    local key dep
    key=$( {
        declare -f "build_$name"
        for dep in "$@"; do echo "${STAGE[$dep]}"; done
        cat "$ROOT/packaging/windows/mingw-w64.cmake"
        [ "$name" != iconv ] || cat "$ROOT"/packaging/windows/{iconv.c,iconv.h,localcharset.h}
    } | sha256sum | cut -c1-16)
    local out=$CACHE/$name-$key
    STAGE[$name]=$out
    if [ -e "$out/.built" ]; then
        echo "$name: $out (cached)"
        return
    fi
    local work=$CACHE/work/$name
    rm -rf "$out" "$work"
    mkdir -p "$out" "$work"
    echo "$name: building into $out ($(date +%T))"
    local log=$CACHE/work/$name.log
    # Not in a condition, so that the first failing step stops the build.
    set +e
    (
        set -e
        cd "$work"
        "build_$name" "$out" "$work"
    ) >"$log" 2>&1
    local status=$?
    set -e
    if [ $status -ne 0 ]; then
        tail -n 40 "$log"
        echo "$name: failed, the whole log is $log" >&2
        exit 1
    fi
    touch "$out/.built"
    rm -rf "$work"
    echo "$name: built ($(date +%T))"
}

build_toolchain() {
    install -D -m 644 "$ROOT/packaging/windows/mingw-w64.cmake" "$1/mingw-w64.cmake"
}

build_zlib() {
    unpack zlib src
    cd src
    local f
    for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees \
        trees uncompr zutil; do
        "$CC" -O2 -c "$f.c" -o "$f.o"
    done
    "$AR" rcs libz.a ./*.o
    install -D -m 644 libz.a "$1/lib/libz.a"
    install -D -m 644 -t "$1/include" zlib.h zconf.h
    mkdir -p "$1/lib/pkgconfig"
    printf 'prefix=%s\nlibdir=${prefix}/lib\nincludedir=${prefix}/include\n\nName: zlib\nDescription: zlib\nVersion: 1.2.13\nLibs: -L${libdir} -lz\nCflags: -I${includedir}\n' \
        "$1" >"$1/lib/pkgconfig/zlib.pc"
}

build_minizip() {
    unpack minizip src
    cd src
    local z=${STAGE[zlib]}
    local f
    for f in ioapi unzip zip iowin32 mztools; do
        "$CC" -O2 -I"$z/include" -c "$f.c" -o "$f.o"
    done
    "$AR" rcs libminizip.a ./*.o
    install -D -m 644 libminizip.a "$1/lib/libminizip.a"
    install -D -m 644 -t "$1/include/minizip" ioapi.h unzip.h zip.h iowin32.h mztools.h crypt.h
    mkdir -p "$1/lib/pkgconfig"
    printf 'prefix=%s\nlibdir=${prefix}/lib\nincludedir=${prefix}/include/minizip\n\nName: minizip\nDescription: minizip\nVersion: 1.1\nRequires: zlib\nLibs: -L${libdir} -lminizip\nCflags: -I${includedir}\n' \
        "$1" >"$1/lib/pkgconfig/minizip.pc"
}

# A DLL, so that Qt's driver and the program share one SQLite.
build_sqlite() {
    unpack sqlite3 src
    mkdir native
    (cd native && CC=gcc AR=ar RANLIB=ranlib ../src/configure --disable-tcl >/dev/null && make CC=gcc sqlite3.c sqlite3.h >/dev/null)
    local defs=(-DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_ENABLE_UNLOCK_NOTIFY
        -DSQLITE_ENABLE_DBSTAT_VTAB -DSQLITE_ENABLE_FTS5 -DSQLITE_SECURE_DELETE -DSQLITE_ENABLE_MATH_FUNCTIONS
        -DSQLITE_MAX_VARIABLE_NUMBER=250000)
    mkdir -p "$1/bin" "$1/lib" "$1/include"
    "$CC" -O2 -shared "${defs[@]}" native/sqlite3.c -o "$1/bin/sqlite3.dll" \
        -Wl,--out-implib,"$1/lib/libsqlite3.dll.a"
    install -m 644 -t "$1/include" native/sqlite3.h src/src/sqlite3ext.h
    mkdir -p "$1/lib/pkgconfig"
    printf 'prefix=%s\nlibdir=${prefix}/lib\nincludedir=${prefix}/include\n\nName: sqlite3\nDescription: SQLite\nVersion: 3.40.1\nLibs: -L${libdir} -lsqlite3\nCflags: -I${includedir}\n' \
        "$1" >"$1/lib/pkgconfig/sqlite3.pc"
}

build_openssl() {
    unpack openssl src
    cd src
    ./Configure mingw64 --prefix="$1" --libdir=lib no-shared no-tests no-module no-legacy no-engine
    make -j"$JOBS" build_libs
    make install_dev
}

build_libpq() {
    unpack postgresql-15 src
    cd src
    local ssl=${STAGE[openssl]}
    ./configure --host=$HOST --prefix="$1" --without-readline --without-icu --without-zlib --without-llvm \
        --with-ssl=openssl CPPFLAGS="-I$ssl/include" LDFLAGS="-L$ssl/lib" LIBS="-lws2_32 -lcrypt32 -lgdi32"
    make -C src/backend generated-headers
    make -C src/interfaces/libpq -j"$JOBS"
    make -C src/include install
    make -C src/interfaces/libpq install
}

build_sodium() {
    unpack libsodium src
    cd src
    autoreconf -fi
    ./configure --host=$HOST --prefix="$1" --disable-shared --enable-static --disable-pie
    make -j"$JOBS"
    make install
    # A static libsodium on Windows is declared so only with this define.
    sed -i 's|^Cflags: \(.*\)|Cflags: \1 -DSODIUM_STATIC=1|' "$1/lib/pkgconfig/libsodium.pc"
}

build_iconv() {
    mkdir -p "$1/lib" "$1/include"
    "$CC" -O2 -Wall -I"$ROOT/packaging/windows" -c "$ROOT/packaging/windows/iconv.c" -o iconv.o
    "$AR" rcs "$1/lib/libiconv.a" iconv.o
    install -m 644 -t "$1/include" "$ROOT/packaging/windows/iconv.h" "$ROOT/packaging/windows/localcharset.h"
}

build_freexl() {
    unpack freexl src
    cd src
    local i=${STAGE[iconv]}
    ./configure --host=$HOST --prefix="$1" --disable-shared --enable-static \
        CPPFLAGS="-I$i/include" LDFLAGS="-L$i/lib" LIBS="-liconv"
    make -j"$JOBS"
    make install
    sed -i 's|^Libs: \(.*\)|Libs: \1 -L'"$i"'/lib -liconv|' "$1/lib/pkgconfig/freexl.pc"
}

build_xlsxwriter() {
    unpack libxlsxwriter src
    local z=${STAGE[zlib]} m=${STAGE[minizip]}
    # Its find module wants minizip/zip.h and zlib.h in one folder.
    mkdir inc
    cp -r "$m/include/minizip" inc/
    cp "$z"/include/*.h inc/
    cmake -S src -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE="${STAGE[toolchain]}/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$1" -DBUILD_SHARED_LIBS=OFF \
        -DUSE_SYSTEM_MINIZIP=ON -DMINIZIP_INCLUDE_DIR="$PWD/inc" \
        -DMINIZIP_LIBRARY="$m/lib/libminizip.a" -DZLIB_INCLUDE_DIR="$z/include" -DZLIB_LIBRARY="$z/lib/libz.a"
    cmake --build build -j"$JOBS"
    cmake --install build
    mkdir -p "$1/lib/pkgconfig"
    printf 'prefix=%s\nlibdir=${prefix}/lib\nincludedir=${prefix}/include\n\nName: xlsxwriter\nDescription: libxlsxwriter\nVersion: 1.1.4\nLibs: -L${libdir} -lxlsxwriter -L%s/lib -lminizip -L%s/lib -lz\nCflags: -I${includedir}\n' \
        "$1" "$m" "$z" >"$1/lib/pkgconfig/xlsxwriter.pc"
}

# Shared Qt: the tests link far faster against DLLs than against a static Qt.
# Trimmed to what Velmora uses, and optimised for size, which also builds in
# far less time than Release's -O3 on a machine without the cache: no network
# module, no second (Direct2D) copy of the Windows platform plugin (Direct2D
# itself stays: Qt's printing needs its DirectWrite font engine).
build_qt() {
    unpack qt6-base src
    local s=${STAGE[sqlite]} p=${STAGE[libpq]}
    cmake -S src -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE="${STAGE[toolchain]}/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_INSTALL_PREFIX="$1" -DBUILD_SHARED_LIBS=ON \
        -DFEATURE_network=OFF -DFEATURE_direct2d1_1=OFF \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        -DFEATURE_tabletevent=OFF -DFEATURE_dbus=OFF -DFEATURE_openssl=OFF -DFEATURE_xml=OFF \
        -DFEATURE_concurrent=OFF -DFEATURE_vulkan=OFF -DFEATURE_zstd=OFF -DFEATURE_icu=OFF \
        -DFEATURE_sql_odbc=OFF -DFEATURE_sql_mysql=OFF -DFEATURE_sql_ibase=OFF -DFEATURE_sql_oci=OFF \
        -DFEATURE_sql_db2=OFF -DFEATURE_sql_sqlite=ON -DFEATURE_system_sqlite=ON -DFEATURE_sql_psql=ON \
        -DSQLite3_INCLUDE_DIR="$s/include" -DSQLite3_LIBRARY="$s/lib/libsqlite3.dll.a" \
        -DPostgreSQL_INCLUDE_DIR="$p/include" -DPostgreSQL_LIBRARY="$p/lib/libpq.a" \
        -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
        -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
    cmake --build build -j"$JOBS"
    cmake --install build
}

stage toolchain
stage zlib toolchain
stage sqlite toolchain
stage openssl toolchain
stage libpq toolchain openssl
stage qt toolchain sqlite libpq
stage minizip toolchain zlib
stage sodium toolchain
stage iconv toolchain
stage freexl toolchain iconv
stage xlsxwriter toolchain zlib minizip

# What the cross build needs, in one file keyed by every stage.
envkey=$(for s in "${!STAGE[@]}"; do echo "$s=${STAGE[$s]}"; done | sort | sha256sum | cut -c1-16)
env=$CACHE/env-$envkey.sh
{
    echo "# Made by scripts/windows-toolchain.sh"
    for s in $(printf '%s\n' "${!STAGE[@]}" | sort); do echo "VELMORA_MINGW_${s^^}=${STAGE[$s]}"; done
    echo "VELMORA_MINGW_PKGCONFIG=$(for s in zlib minizip sqlite openssl libpq sodium freexl xlsxwriter; do
        printf '%s/lib/pkgconfig:' "${STAGE[$s]}"; done)"
} >"$env"
echo "$env"
