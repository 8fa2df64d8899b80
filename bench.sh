#!/usr/bin/env bash
# Installs what is missing, builds, runs the benchmarks on SQLite and on a
# private PostgreSQL server, and writes bench/RESULTS.md.
# Arguments go on to velmora-bench (./bench.sh --benchmark_filter=Student).
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"

velmora_install "${VELMORA_BUILD_PACKAGES[@]}" postgresql python3
velmora_build

export VELMORA_BENCH_DIR=${VELMORA_BENCH_DIR:-/tmp/velmora-bench}
mkdir -p "$VELMORA_BENCH_DIR"
out=$(mktemp -d /tmp/velmora-results.XXXXXX)
bench=("$VELMORA_BUILD/bench/velmora-bench" --benchmark_min_time=0.3 --benchmark_repetitions=3
    --benchmark_report_aggregates_only=true --benchmark_out_format=json "$@")

"${bench[@]}" --benchmark_out="$out/sqlite.json"
velmora_start_pg durable
VELMORA_BENCH_BACKEND=postgres "${bench[@]}" --benchmark_out="$out/postgres.json"

python3 "$VELMORA_ROOT/bench/results.py" "$out/sqlite.json" "$out/postgres.json" "$VELMORA_ROOT/bench/RESULTS.md"
rm -rf "$out"
echo "Written: bench/RESULTS.md"
