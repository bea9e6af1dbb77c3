#!/usr/bin/env bash
# Builds Qt for 64-bit Windows (MinGW-w64) from the distribution's source
# package qt6-base, once, into a cache folder outside the clone:
#   ${TELVARO_CACHE:-/var/cache/telvaro}/qt-<version>-mingw-<hash of this script>
# The host's own Qt (qt6-base-dev, the same version) provides moc, rcc and uic.
# Only what the window and its tests need is built: Core, Gui, Widgets, Test,
# the windows and offscreen platform plugins and the Windows style; static
# libraries, so telvaro-pro.exe runs on its own.
#
# Prints the installed prefix on its last line. A prefix that exists is reused;
# editing this script changes the hash, and so builds a new one.
#
# Usage: scripts/qt-mingw.sh [--print-prefix]
#   --print-prefix  only prints where the prefix is (or would be)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(dirname "$here")"
source "$here/mingw-common.sh"

qt_version="$(host_upstream_version qt6-base-dev)"
prefix="$(cache_dir)/qt-${qt_version}-mingw-$(script_hash "${BASH_SOURCE[0]}")"

if [ "${1:-}" = "--print-prefix" ]; then echo "$prefix"; exit 0; fi

if [ -f "$prefix/.complete" ]; then
  echo "Qt $qt_version for MinGW-w64: reusing $prefix" >&2
  echo "$prefix"
  exit 0
fi

need_mingw_compiler
src="$(fetch_source qt6-base qt6-base-dev)"

# The Windows platform plugin of 6.4 asks for features whose code the
# switched-off ones leave out: without OpenGL it still takes its software
# OpenGL test from dynamicgl, and without Direct2D its DirectWrite 3 font
# database (GDI's serves instead). Both guards get the feature they need.
windows_plugin="$src/src/plugins/platforms/windows"
sed -i 's/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
  "$windows_plugin/qwindowswindow.cpp"
sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' \
  "$windows_plugin/qwindowsintegration.cpp"

# Our toolchain file, but executables are not forced static: Qt's configure
# checks link small test programs against its own libraries. A build stopped
# halfway goes on where it stopped.
build="$prefix.build"
rm -rf "$prefix"
mkdir -p "$build"
cat >"$build/toolchain.cmake" <<EOF
include("$repo/cmake/mingw-w64-x86_64.cmake")
set(CMAKE_EXE_LINKER_FLAGS_INIT "")
EOF

step "Configuring Qt $qt_version for x86_64-w64-mingw32 (sources: $src)"
started=$(date +%s)
features=(
  # Not used by the window.
  sql network opengl dbus printsupport concurrent xml vulkan
  # The Windows platform plugin's tablet support needs wintab.h, which the
  # distribution's source leaves out; a Direct2D plugin is not needed.
  tabletevent direct2d
  # Image formats beyond the built-in PNG, BMP and XPM, and Markdown.
  jpeg gif ico textmarkdownreader textmarkdownwriter zstd
  # Everything third-party from the source package itself, not the system.
  system_zlib system_pcre2 system_harfbuzz system_freetype system_png
  system_jpeg system_doubleconversion system_md4c
)
feature_args=()
for f in "${features[@]}"; do feature_args+=("-DFEATURE_$f=OFF"); done

run cmake -S "$src" -B "$build/qt" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$build/toolchain.cmake" \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DCMAKE_BUILD_TYPE=Release \
  -DBUILD_SHARED_LIBS=OFF \
  -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_testlib=ON -DFEATURE_widgets=ON -DFEATURE_style_windowsvista=ON \
  "${feature_args[@]}"

step "Building Qt ($(build_jobs) jobs)"
run cmake --build "$build/qt" -j "$(build_jobs)"
run cmake --install "$build/qt"
touch "$prefix/.complete"
rm -rf "$build"
elapsed=$(( $(date +%s) - started ))
echo "Qt $qt_version for MinGW-w64 built in $((elapsed / 60)) min $((elapsed % 60)) s into $prefix" >&2
echo "$prefix"
