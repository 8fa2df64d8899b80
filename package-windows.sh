#!/usr/bin/env bash
# Makes the Windows installer on Debian 12: build-windows/Velmora-<version>-setup.exe.
# The libraries come from scripts/windows-toolchain.sh (built once, then cached).
# VELMORA_WINDOWS_TESTS=ON also builds the test programs, for test-windows.sh.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
BUILD=${VELMORA_WINDOWS_BUILD:-$ROOT/build-windows}
source "$ROOT/scripts/common.sh"
velmora_install nsis fp-utils librsvg2-bin icoutils qt6-translations-l10n

toolchain_env=$(bash "$ROOT/scripts/windows-toolchain.sh" | tail -n 1)
source "$toolchain_env"
export PKG_CONFIG_LIBDIR=$VELMORA_MINGW_PKGCONFIG PKG_CONFIG_PATH=

version=$(sed -n 's/^project(Velmora VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")
mkdir -p "$BUILD"

# The icon, for the program and the installer.
icons=$(mktemp -d)
trap 'rm -rf "$icons"' EXIT
for size in 16 32 48 256; do
    rsvg-convert -w $size -h $size "$ROOT/packaging/velmora.svg" -o "$icons/$size.png"
done
icotool -c -o "$BUILD/velmora.ico" "$icons"/{16,32,48,256}.png

cmake -S "$ROOT" -B "$BUILD" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$VELMORA_MINGW_QT/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release -DVELMORA_WERROR="${VELMORA_WERROR:-OFF}" \
    -DVELMORA_BUILD_TESTS="${VELMORA_WINDOWS_TESTS:-OFF}" -DVELMORA_BUILD_BENCH=OFF \
    -DVELMORA_ICON="$BUILD/velmora.ico" \
    -DSQLite3_INCLUDE_DIR="$VELMORA_MINGW_SQLITE/include" \
    -DSQLite3_LIBRARY="$VELMORA_MINGW_SQLITE/lib/libsqlite3.dll.a" >/dev/null
cmake --build "$BUILD" -j2

# The program folder as installed: programs, the DLLs they load, Qt's plugins.
stage=$BUILD/stage
rm -rf "$stage"
mkdir -p "$stage"/{platforms,sqldrivers,styles,imageformats,translations}
# Qt puts every Windows program at the top of the build, beside the DLLs it makes.
cp "$BUILD"/{VelmoraSQL,velmora-initdb,velmora-sheet-reader}.exe "$stage/"
plugins=$VELMORA_MINGW_QT/plugins
cp "$plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$plugins"/sqldrivers/{qsqlite,qsqlpsql}.dll "$stage/sqldrivers/"
cp "$plugins"/styles/*.dll "$stage/styles/"
cp "$plugins"/imageformats/{qico,qjpeg}.dll "$stage/imageformats/"
cp /usr/share/qt6/translations/qtbase_zh_CN.qm "$stage/translations/"
printf '[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n' >"$stage/qt.conf"
bash "$ROOT/scripts/windows-dlls.sh" "$stage" "$VELMORA_MINGW_QT/bin" "$VELMORA_MINGW_SQLITE/bin" "$VELMORA_MINGW_LIBPQ/bin" \
    "$VELMORA_MINGW_LIBPQ/lib"
cp "$BUILD/velmora.ico" "$stage/"
# Notepad reads the licence with Windows line ends.
sed 's/$/\r/' "$ROOT/LICENSE" >"$stage/LICENSE.txt"

# Help.chm from the same HTML guide as on Linux; its project file in the
# code page Windows reads Chinese help titles in.
help=$BUILD/help
rm -rf "$help"
mkdir -p "$help"
cp "$ROOT/docs/guide/index.html" "$help/"
printf '[OPTIONS]\r\nCompatibility=1.1 or later\r\nCompiled file=Help.chm\r\nDefault topic=index.html\r\nDisplay compile progress=No\r\nLanguage=0x804 Chinese (PRC)\r\nTitle=Velmora 班级学生管理 使用说明\r\n\r\n[FILES]\r\nindex.html\r\n' |
    iconv -f UTF-8 -t GB18030 >"$help/guide.hhp"
(cd "$help" && chmcmd guide.hhp >/dev/null)
cp "$help/Help.chm" "$stage/"

out=$BUILD/Velmora-$version-setup.exe
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUT="$out" "$ROOT/packaging/windows/velmora.nsi"
ls -l "$out"
