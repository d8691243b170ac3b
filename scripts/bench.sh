#!/usr/bin/env bash
# Builds the host preset and runs every benchmark under bench/ (Google Benchmark).
# Extra arguments go to each benchmark, e.g. --benchmark_filter=List.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset host >/dev/null
cmake --build --preset host
for b in build/host/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" "$@"
done
