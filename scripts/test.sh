#!/usr/bin/env bash
# Installs what is needed, builds with warnings as errors, runs the whole test suite,
# then gives each libFuzzer target a short run when clang is present.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
cmake -S . -B build -G Ninja -DHX_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs" --timeout 600

if command -v clang++ >/dev/null 2>&1; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DHX_FUZZ=ON -DHX_WERROR=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build-fuzz -j"$jobs" --target hx_fuzzers
  seconds=${HX_FUZZ_SECONDS:-10}
  failed=0
  while IFS= read -r fuzzer; do
    name=$(basename "$fuzzer")
    corpus_src=$(find fuzz -type d -name "${name}_corpus" | head -n 1)
    work=$(mktemp -d)
    [ -n "$corpus_src" ] && cp -r "$corpus_src"/. "$work"/
    echo "fuzz: $name for ${seconds}s"
    if ! "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=0 \
         "$work" >"build-fuzz/$name.log" 2>&1; then
      echo "fuzz: $name FAILED"; tail -n 40 "build-fuzz/$name.log"; failed=1
    fi
    rm -rf "$work"
  done < <(find build-fuzz/fuzz -type f -executable -name 'fuzz_*' | sort)
  [ $failed -eq 0 ] || exit 1
  echo "fuzz: all targets ran clean"
fi
