#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test on SQLite and on a
# private PostgreSQL server that lives only as long as this script.
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"

velmora_install "${VELMORA_BUILD_PACKAGES[@]}" postgresql openssl xvfb xauth poppler-utils python3-openpyxl python3-xlwt libreoffice-calc-nogui
velmora_build

velmora_start_pg
export VELMORA_REQUIRE_PG=1
ctest --test-dir "$VELMORA_BUILD" --output-on-failure -j2 "$@"
