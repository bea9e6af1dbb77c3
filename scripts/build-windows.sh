#!/usr/bin/env bash
# Cross-builds Telvaro Pro for 64-bit Windows with MinGW-w64 into build-win/
# at the top of the repository:
#   build-win/app/telvaro-pro.exe   the window (static Qt: runs on its own)
#   build-win/cli/telvaro-cli.exe   the command line, profiles and fleet included
#   build-win/tests/*.exe           the core's unit tests and the window's tests
#   build-win/telvaro-pro-<version>-setup.exe, build-win/telvaro-pro-<version>-win64.zip
# Qt and the command line's libraries are built once from the distribution's
# source packages and kept outside the clone (scripts/qt-mingw.sh,
# scripts/deps-mingw.sh); the first run on a machine builds them.
#
# Usage: scripts/build-windows.sh [--run]
#   --run  also runs, under Wine: the unit tests, the window's tests on the
#          offscreen platform, the Win32 serial port, the window and the
#          command line against the simulated modem through Wine's COM ports,
#          and the installer's silent install and uninstall
set -euo pipefail

run_tests=0
for arg in "$@"; do
  case "$arg" in
    --run) run_tests=1 ;;
    -h|--help) sed -n '2,17p' "$0"; exit 0 ;;
    *) echo "unknown option: $arg" >&2; exit 2 ;;
  esac
done

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$repo/scripts/mingw-common.sh"
out="$repo/build-win"
host="$repo/build"
jobs="$(build_jobs)"
# Everything here reports on standard output.
step() { printf '\n==> %s\n' "$*"; }
run() { printf '+ %s\n' "$*"; "$@"; }

step "MinGW-w64 compiler"
need_mingw_compiler
need_packages nsis icoutils zip fonts-liberation2

step "Qt for Windows"
qt_prefix="$(bash "$repo/scripts/qt-mingw.sh" | tail -n1)"
step "The command line's libraries for Windows"
deps_prefix="$(bash "$repo/scripts/deps-mingw.sh" | tail -n1)"

# The simulated modem, the manual and the icons come from the native build.
step "Host programs from the native build in $host"
if [ ! -f "$host/CMakeCache.txt" ]; then
  run cmake -S "$repo" -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
run cmake --build "$host" -j "$jobs" --target telvaro-modem-sim telvaro_manual telvaro_icons

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
    apt_install wine64 >/dev/null
    wine_cmd="$(find_wine)"
  fi
  # Lets ctest in build-win run the .exe as well.
  emulator=(-DCMAKE_CROSSCOMPILING_EMULATOR="$wine_cmd")
fi

step "Telvaro Pro for Windows into $out"
generator=()
[ -f "$out/CMakeCache.txt" ] || generator=(-G Ninja)
# Release, with assertions kept for the code under test.
run cmake -S "$repo" -B "$out" "${generator[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" \
  -DTELVARO_WIN_PREFIXES="$qt_prefix;$deps_prefix" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-O2 \
  -DTELVARO_CORE_ONLY=OFF -DGTest_DIR="$deps_prefix/lib/cmake/GTest" \
  -DTELVARO_HOST_BUILD="$host" \
  "${emulator[@]}"
run cmake --build "$out" -j "$jobs"

step "Installer and portable zip"
(cd "$out" && run cpack -G NSIS && run cpack -G ZIP)
ls -l "$out"/telvaro-pro-*-setup.exe "$out"/telvaro-pro-*-win64.zip

[ "$run_tests" -eq 1 ] || exit 0

# A Wine prefix of our own keeps the user's ~/.wine out of it; the first run
# creates it, which takes a few seconds.
export WINEPREFIX="$out/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver="$(dirname "$wine_cmd")/wineserver"
sim="$host/sim/telvaro-modem-sim"
sims=()
finish() {
  local pid
  for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  # End this prefix's Wine server and its services.
  if [ -x "$wineserver" ]; then "$wineserver" -k >/dev/null 2>&1 || true; fi
}
trap finish EXIT

# map_modem N [simulator options]: a simulated modem on Wine's COM<N>.
map_modem() {
  local com="$1"
  shift
  local link="$out/sim-com$com"
  rm -f "$link"
  "$sim" --link "$link" --quiet "$@" >"$out/sim-com$com.log" 2>&1 &
  sims+=($!)
  for _ in $(seq 100); do [ -e "$link" ] && break; sleep 0.1; done
  mkdir -p "$WINEPREFIX/dosdevices"
  ln -sfn "$(readlink -f "$link")" "$WINEPREFIX/dosdevices/com$com"
}

status=0
step "Unit tests and the window's tests under Wine"
(cd "$out" && run ctest --output-on-failure) || status=1

step "The Win32 serial port under Wine against the simulated modem"
map_modem 50
run "$wine_cmd" "$out/tests/win_serial_check.exe" 50 || status=1

step "The window reads and writes a simulated modem on COM52"
map_modem 52
# Wine hands no QT_ variables on; the tests' main takes the fonts from this one.
TELVARO_TEST_COM=COM52 TELVARO_TEST_DEVICE_NAME=Win-52 TELVARO_QPA_FONTDIR='Z:\usr\share\fonts\truetype\liberation2' \
  run "$wine_cmd" "$out/tests/gui_tests.exe" --gtest_filter='WindowsComPort.*' || status=1

step "The command line against a simulated modem on COM51"
WINE="$wine_cmd" run bash "$repo/tests/windows/cli_e2e.sh" "$out" "$sim" || status=1

step "The installer: silent install, the programs start, silent uninstall"
WINE="$wine_cmd" run bash "$repo/tests/windows/installer_check.sh" "$out"/telvaro-pro-*-setup.exe || status=1

exit "$status"
