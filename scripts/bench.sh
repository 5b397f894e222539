#!/usr/bin/env bash
# Installs what is needed, builds optimised and runs every benchmark under bench/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DHX_TESTS=OFF
cmake --build build-bench -j"$(nproc)"
for b in $(find build-bench/bench -type f -executable -name 'bench_*' | sort); do
  echo "== $b"
  "$b" --benchmark_min_time=0.2 "$@"
done
