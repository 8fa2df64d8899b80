#!/usr/bin/env bash
# Installs what is missing, builds, creates the demo database on first use and starts Velmora.
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"

velmora_install "${VELMORA_BUILD_PACKAGES[@]}"
velmora_build

bin="$VELMORA_BUILD/src"
if [ ! -f "$bin/students.db" ]; then
    "$bin/velmora-initdb" --demo --data-dir "$bin"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No desktop found (DISPLAY is not set). Start Velmora from a desktop session: $bin/VelmoraSQL" >&2
    exit 1
fi
exec "$bin/VelmoraSQL"
