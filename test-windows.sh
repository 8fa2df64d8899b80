#!/usr/bin/env bash
# The Windows build's tests under Wine, on SQLite and on a private PostgreSQL
# server: builds the program, its tests and the installer (package-windows.sh),
# then runs ctest with Wine as the emulator. Extra arguments go to ctest.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
BUILD=${VELMORA_WINDOWS_BUILD:-$ROOT/build-windows}
source "$ROOT/scripts/common.sh"
velmora_install wine64 xvfb xauth postgresql openssl fonts-noto-cjk poppler-utils

VELMORA_WINDOWS_TESTS=ON bash "$ROOT/package-windows.sh"
source "$(bash "$ROOT/scripts/windows-toolchain.sh" | tail -n 1)"
source "$ROOT/scripts/wine.sh"
# Two prefixes, two programs at a time: a prefix each.
velmora_wine_prefixes 2
# The DLLs the test programs load, from where they were built.
wine_path=""
for dir in "$VELMORA_MINGW_QT/bin" "$VELMORA_MINGW_SQLITE/bin" "$VELMORA_MINGW_LIBPQ/bin" "$VELMORA_MINGW_LIBPQ/lib" \
    /usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib; do
    wine_path+="Z:${dir//\//\\};"
done
export WINEPATH=$wine_path
# Qt's Chinese translations for the programs in the build, as the installer has them.
mkdir -p "$BUILD/translations"
cp /usr/share/qt6/translations/qtbase_zh_CN.qm "$BUILD/translations/"
printf '[Paths]\nPrefix = Z:%s\nTranslations = Z:%s\n' "$VELMORA_MINGW_QT" "$BUILD/translations" >"$BUILD/qt.conf"
cmake "$BUILD" -DCMAKE_CROSSCOMPILING_EMULATOR="$ROOT/scripts/wine-run.sh" >/dev/null

velmora_start_pg
logs=$(mktemp -d /tmp/velmora-wine-logs.XXXXXX)
trap 'stop_pg; velmora_wine_stop_all; rm -rf "$logs"' EXIT
# Every other test in each prefix: two ctest runs side by side.
runs=()
for i in 0 1; do
    prefix=VELMORA_WINE_PREFIX_$i display=VELMORA_WINE_DISPLAY_$i
    WINEPREFIX=${!prefix} DISPLAY=${!display} ctest --test-dir "$BUILD" --output-on-failure -I "$((i + 1)),,2" "$@" \
        >"$logs/$i" 2>&1 &
    runs+=($!)
done
status=0
for i in 0 1; do
    wait "${runs[$i]}" || status=1
    cat "$logs/$i"
done
exit $status
