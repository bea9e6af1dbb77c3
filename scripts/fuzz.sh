#!/usr/bin/env bash
# Builds the response dispatch fuzz target with clang under AddressSanitizer
# and UndefinedBehaviorSanitizer and runs it. Usage: scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

bash scripts/deps.sh clang libclang-rt-14-dev
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTELVARO_CORE_ONLY=ON -DTELVARO_FUZZ=ON \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzz_dispatch

corpus=build-fuzz/corpus
mkdir -p "$corpus"
echo "== fuzzing response dispatch for ${seconds}s"
./build-fuzz/tests/fuzz_dispatch -max_total_time="$seconds" -print_final_stats=1 \
  -max_len=8192 "$corpus" 2>&1 | tail -n 12
