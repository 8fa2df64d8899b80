# Shared by run.sh and test.sh: install what is missing, then build.
# shellcheck shell=bash

VELMORA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VELMORA_BUILD=${VELMORA_BUILD:-$VELMORA_ROOT/build}

velmora_install() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

VELMORA_BUILD_PACKAGES=(cmake g++ ninja-build pkg-config qt6-base-dev libqt6opengl6-dev qt6-charts-dev libqt6sql6-sqlite libqt6sql6-psql
    qt6-qpa-plugins libgl-dev libxkbcommon-dev libbenchmark-dev libsqlite3-dev libpq-dev fonts-noto-cjk)

velmora_build() {
    cmake -S "$VELMORA_ROOT" -B "$VELMORA_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$VELMORA_BUILD" -j2
}
