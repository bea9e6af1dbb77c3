#!/usr/bin/env bash
# Builds the fuzz targets with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs each in turn.
# Usage: scripts/fuzz.sh [seconds per target] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_dispatch fuzz_settings_file fuzz_serial_settings fuzz_parsers fuzz_profile fuzz_fleet_files fuzz_telnet)

bash scripts/deps.sh clang libclang-rt-14-dev
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTELVARO_CORE_ONLY=ON -DTELVARO_FUZZ=ON \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]}"

# AddressSanitizer keeps 256 MB of freed memory in quarantine by default,
# which alone would reach the 512 MB each target is allowed; a smaller
# quarantine keeps the limit about the code's own memory.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=32}

for target in "${targets[@]}"; do
  # Each target keeps its own corpus, so later runs start where earlier ones left.
  corpus=build-fuzz/corpus/$target
  mkdir -p "$corpus"
  echo "== $target for ${seconds}s"
  # A fuzzer that stops answering (a sanitizer stopping the world where
  # tracing is not allowed) ends the run as a failure instead of holding it.
  timeout -k 10 $((seconds + 120)) ./build-fuzz/tests/"$target" -max_total_time="$seconds" -print_final_stats=1 \
    -max_len=8192 -rss_limit_mb=512 -artifact_prefix=build-fuzz/"$target"- "$corpus" 2>&1 | tail -n 12
done
