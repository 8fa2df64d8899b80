#!/usr/bin/env bash
# Fails when a C++ file differs from what the committed .clang-format makes of it.
# The version is pinned: another clang-format formats differently.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
velmora_install clang-format-16
mapfile -t files < <(git ls-files '*.cpp' '*.h')
clang-format-16 --dry-run --Werror "${files[@]}"
echo "formatting: ${#files[@]} files as .clang-format wants them"
