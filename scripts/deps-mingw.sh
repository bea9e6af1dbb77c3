#!/usr/bin/env bash
# Builds the command line's libraries for 64-bit Windows (MinGW-w64) from the
# distribution's source packages, once, into a cache folder outside the clone:
#   ${TELVARO_CACHE:-/var/cache/telvaro}/deps-mingw-<hash of this script>
# yaml-cpp and libcsv are built from their source packages; nlohmann-json and
# CLI11 are header-only and are copied from the host's packages. GoogleTest is
# built from the host's googletest sources, for the tests.
#
# Prints the installed prefix on its last line; a prefix that exists is reused.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(dirname "$here")"
source "$here/mingw-common.sh"

prefix="$(cache_dir)/deps-mingw-$(script_hash "${BASH_SOURCE[0]}")"
if [ -f "$prefix/.complete" ]; then
  echo "Windows libraries: reusing $prefix" >&2
  echo "$prefix"
  exit 0
fi

need_mingw_compiler
need_packages nlohmann-json3-dev libcli11-dev googletest
build="$prefix.build"
rm -rf "$build" "$prefix"
mkdir -p "$build" "$prefix/include" "$prefix/lib"
toolchain="$repo/cmake/mingw-w64-x86_64.cmake"
jobs="$(build_jobs)"

step "yaml-cpp for Windows"
src="$(fetch_source yaml-cpp libyaml-cpp-dev)"
run cmake -S "$src" -B "$build/yaml-cpp" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DYAML_CPP_BUILD_TESTS=OFF -DYAML_CPP_BUILD_TOOLS=OFF -DYAML_CPP_BUILD_CONTRIB=OFF \
  -DYAML_BUILD_SHARED_LIBS=OFF
run cmake --build "$build/yaml-cpp" -j "$jobs"
run cmake --install "$build/yaml-cpp"

step "libcsv for Windows"
# One C file and its header; its autotools build adds nothing a static
# library needs.
src="$(fetch_source libcsv libcsv-dev)"
run x86_64-w64-mingw32-gcc-posix -O2 -c "$src/libcsv.c" -I"$src" -o "$build/libcsv.o"
run x86_64-w64-mingw32-ar rcs "$prefix/lib/libcsv.a" "$build/libcsv.o"
run cp "$src/csv.h" "$prefix/include/"

step "Header-only libraries from the host's packages"
run cp -r /usr/include/nlohmann "$prefix/include/"
run cp -r /usr/include/CLI "$prefix/include/"
mkdir -p "$prefix/share/cmake"
run cp -r /usr/share/cmake/nlohmann_json "$prefix/share/cmake/"
run cp -r /usr/share/cmake/CLI11 "$prefix/share/cmake/"

step "GoogleTest for Windows"
run cmake -S /usr/src/googletest -B "$build/gtest" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix"
run cmake --build "$build/gtest" -j "$jobs"
run cmake --install "$build/gtest"

touch "$prefix/.complete"
rm -rf "$build"
echo "$prefix"
