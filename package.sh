#!/usr/bin/env bash
# Installs what is missing, builds the program without its tests and makes
# the Debian package: build-package/velmora_<version>_<arch>.deb.
set -euo pipefail
VELMORA_BUILD=${VELMORA_BUILD:-$(cd "$(dirname "$0")" && pwd)/build-package}
source "$(dirname "$0")/scripts/common.sh"

velmora_install "${VELMORA_BUILD_PACKAGES[@]}" dpkg-dev file
velmora_build -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Release
(cd "$VELMORA_BUILD" && cpack -G DEB >/dev/null)
ls "$VELMORA_BUILD"/velmora_*.deb
