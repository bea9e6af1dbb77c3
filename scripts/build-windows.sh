#!/usr/bin/env bash
# Cross-builds the core library and its unit tests for 64-bit Windows with
# MinGW-w64, into build-win/ at the top of the repository:
#   build-win/gtest         GoogleTest build (from /usr/src/googletest)
#   build-win/gtest-prefix  GoogleTest installed for the Windows target
#   build-win/tests/core_unit_tests.exe
# Safe to run again: configuring an existing build directory is cheap and
# the builds only redo what changed.
#
# Usage: scripts/build-windows.sh [--run]
#   --run  also runs core_unit_tests.exe under Wine (installs wine64 if missing)
set -euo pipefail

run_tests=0
for arg in "$@"; do
  case "$arg" in
    --run) run_tests=1 ;;
    -h|--help) sed -n '2,11p' "$0"; exit 0 ;;
    *) echo "unknown option: $arg" >&2; exit 2 ;;
  esac
done

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
toolchain="$repo/cmake/mingw-w64-x86_64.cmake"
out="$repo/build-win"
gtest_src=/usr/src/googletest
gtest_build="$out/gtest"
gtest_prefix="$out/gtest-prefix"
jobs=2

step() { printf '\n==> %s\n' "$*"; }
run() { printf '+ %s\n' "$*"; "$@"; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

apt_install() {
  # The package lists may be missing or stale on a fresh machine.
  run as_root apt-get update
  run as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$@"
}

# configure SRC BUILD ARGS...: the generator is chosen only for a new build
# directory; an existing one keeps the generator it was made with.
configure() {
  local src="$1" build="$2"
  shift 2
  local generator=()
  if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then
    generator=(-G Ninja)
  fi
  run cmake -S "$src" -B "$build" "${generator[@]}" -DCMAKE_TOOLCHAIN_FILE="$toolchain" "$@"
}

step "MinGW-w64 compiler"
if command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1; then
  echo "found $(command -v x86_64-w64-mingw32-g++-posix)"
else
  apt_install g++-mingw-w64-x86-64
fi

step "GoogleTest for Windows into $gtest_prefix"
if [ ! -f "$gtest_src/CMakeLists.txt" ]; then
  echo "no GoogleTest sources in $gtest_src: installing googletest"
  apt_install googletest
fi
configure "$gtest_src" "$gtest_build" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$gtest_prefix"
run cmake --build "$gtest_build" -j "$jobs"
run cmake --install "$gtest_build"

# Debian's wine64 package puts its loader in /usr/lib/wine; /usr/bin/wine
# comes with the separate wine package.
find_wine() {
  local w
  for w in wine64 wine /usr/lib/wine/wine64; do
    if command -v "$w" >/dev/null 2>&1; then command -v "$w"; return 0; fi
  done
  return 1
}

emulator=()
if [ "$run_tests" -eq 1 ]; then
  step "Wine"
  if wine_cmd="$(find_wine)"; then
    echo "found $wine_cmd"
  else
    apt_install wine64
    wine_cmd="$(find_wine)"
  fi
  # Lets ctest in build-win run the .exe as well.
  emulator=(-DCMAKE_CROSSCOMPILING_EMULATOR="$wine_cmd")
fi

step "Core library and unit tests into $out"
# Debug keeps assertions on in the code under test.
configure "$repo" "$out" \
  -DCMAKE_BUILD_TYPE=Debug \
  -DTELVARO_CORE_ONLY=ON \
  -DGTest_DIR="$gtest_prefix/lib/cmake/GTest" \
  "${emulator[@]}"
run cmake --build "$out" --target core_unit_tests win_serial_check -j "$jobs"

exe="$out/tests/core_unit_tests.exe"
echo "built $exe"

if [ "$run_tests" -eq 1 ]; then
  step "Running core_unit_tests.exe under Wine"
  # A Wine prefix of our own keeps the user's ~/.wine out of it; the first run
  # creates it, which takes a few seconds.
  export WINEPREFIX="$out/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wineserver="$(dirname "$wine_cmd")/wineserver"
  status=0
  run "$wine_cmd" "$exe" || status=$?

  # The Win32 serial backend for real: Wine's COM50 is mapped to the simulated
  # modem's pseudo-terminal (the simulator from the native build).
  sim="$repo/build/sim/telvaro-modem-sim"
  if [ "$status" -eq 0 ] && [ -x "$sim" ]; then
    step "Win32 serial backend under Wine against the simulated modem"
    link="$out/sim-link"
    "$sim" --link "$link" --quiet >"$out/sim.log" 2>&1 &
    sim_pid=$!
    for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
    mkdir -p "$WINEPREFIX/dosdevices"
    ln -sfn "$(readlink -f "$link")" "$WINEPREFIX/dosdevices/com50"
    run "$wine_cmd" "$out/tests/win_serial_check.exe" 50 || status=$?
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  elif [ "$status" -eq 0 ]; then
    echo "no native simulator at $sim (run the native build first); Win32 serial check skipped"
  fi
  # End this prefix's Wine server and its services before returning.
  if [ -x "$wineserver" ]; then "$wineserver" -k >/dev/null 2>&1 || true; fi
  exit "$status"
fi
