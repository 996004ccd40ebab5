#!/usr/bin/env bash
# Builds the fuzz target with clang and runs it for a while (default 60 s).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DLAUNCHER_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target handoff_fuzz
mkdir -p build-fuzz/corpus
LC_ALL=en_US.UTF-8 build-fuzz/tests/handoff_fuzz -max_total_time="${1:-60}" -max_len=4096 build-fuzz/corpus
