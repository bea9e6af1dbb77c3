#!/usr/bin/env bash
# Builds and runs every test: the normal build, the core under AddressSanitizer
# with UndefinedBehaviorSanitizer, the threaded tests under ThreadSanitizer, the
# Windows build and its tests under Wine (the first run on a machine builds Qt
# for Windows and keeps it outside the clone), the fuzz run and the Debian
# package check.
# --quick runs the normal build only.
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
[ "${1:-}" = "--quick" ] && quick=1

bash scripts/deps.sh
jobs=$(nproc)

build_and_test() {  # name, ctest label filter (or ""), cmake args...
  local dir=$1 label=$2
  shift 2
  echo "== $dir"
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  local filter=()
  [ -n "$label" ] && filter=(-L "$label")
  (cd "$dir" && ctest --output-on-failure -j"$jobs" "${filter[@]}")
}

build_and_test build "" -DCMAKE_BUILD_TYPE=RelWithDebInfo

if ((quick)); then exit 0; fi

san_flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  build_and_test build-asan "" -DCMAKE_BUILD_TYPE=Debug -DTELVARO_CORE_ONLY=ON \
    -DCMAKE_CXX_FLAGS="$san_flags" -DCMAKE_EXE_LINKER_FLAGS="$san_flags"

tsan_flags="-fsanitize=thread -fno-omit-frame-pointer"
# The window's test suites whose operations run on worker threads.
window_threaded="^(MainWindow|WindowDispatch|WindowFaults|WindowShutdown|RebootAndUpgrade|OperatorFeedback)\\."
TSAN_OPTIONS=halt_on_error=1 \
  build_and_test build-tsan threaded -DCMAKE_BUILD_TYPE=Debug -DTELVARO_CORE_ONLY=ON \
    -DCMAKE_CXX_FLAGS="$tsan_flags" -DCMAKE_EXE_LINKER_FLAGS="$tsan_flags"

# The window's threaded tests (operation workers, the modem client's reader
# and dispatch pump beside the window thread) under ThreadSanitizer too. Qt is
# not built for it, so reports whose stacks pass through Qt are suppressed
# (tests/tsan_qt.supp); races between our own threads still fail the run.
echo "== build-tsan-gui"
repo=$(pwd)
cmake -S . -B build-tsan-gui -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="$tsan_flags" -DCMAKE_EXE_LINKER_FLAGS="$tsan_flags" >/dev/null
cmake --build build-tsan-gui -j"$jobs" --target gui_tests telvaro-cli telvaro_translations
(cd build-tsan-gui && TSAN_OPTIONS="halt_on_error=1 suppressions=$repo/tests/tsan_qt.supp" \
  ctest --output-on-failure -j"$jobs" -L gui -R "$window_threaded")

if [ -f scripts/build-windows.sh ]; then
  # Wine's server lists the objects it held when it ends: noise, filtered out.
  windows_start=$(date +%s)
  bash scripts/build-windows.sh --run 2>&1 | grep -v -E "^0x[0-9a-f]+:[0-9]+: "
  echo "== Windows build and tests under Wine: $(( ($(date +%s) - windows_start) / 60 )) min"
fi

if [ -f scripts/fuzz.sh ]; then
  bash scripts/fuzz.sh 30  # seconds per target
fi

# The Debian package: built, unpacked into a scratch folder (not installed),
# its programs run, and checked by desktop-file-validate, appstreamcli and
# lintian.
bash scripts/package.sh --check
