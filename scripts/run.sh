#!/usr/bin/env bash
# Installs what is needed, builds the program and starts the clock on the current X display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=Release -DHX_TESTS=OFF -DHX_BENCH=OFF
cmake --build build-run -j"$(nproc)" --target horalux
export GDK_BACKEND=x11
exec build-run/app/horalux "$@"
