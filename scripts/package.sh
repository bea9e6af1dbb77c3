#!/usr/bin/env bash
# Builds the Debian package build-deb/telvaro-pro_<version>_<arch>.deb with
# Debian's own (hardened) build flags.
#
# Usage: scripts/package.sh [--check]
#   --check  also unpacks the package into a scratch folder (nothing is
#            installed on this machine), runs the unpacked programs and checks
#            the desktop entry, the AppStream description and the package
#            itself (desktop-file-validate, appstreamcli, lintian).
set -euo pipefail
cd "$(dirname "$0")/.."

check=0
for arg in "$@"; do
  case "$arg" in
    --check) check=1 ;;
    -h|--help) sed -n '2,9p' "$0"; exit 0 ;;
    *) echo "unknown option: $arg" >&2; exit 2 ;;
  esac
done

extra=(dpkg-dev file qt6-svg-dev)
((check)) && extra+=(desktop-file-utils appstream lintian)
bash scripts/deps.sh "${extra[@]}"

build=build-deb
echo "== $build"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTELVARO_BUILD_TESTS=OFF -DTELVARO_REQUIRE_SVG_ICON=ON \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
# Only what the package holds; cpack installs it without building the rest.
cmake --build "$build" -j"$(nproc)" --target telvaro-pro telvaro-cli telvaro-modem-sim telvaro_install_files
rm -f "$build"/telvaro-pro_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/telvaro-pro_*.deb)
echo "built $deb"
dpkg-deb --field "$deb"

((check)) || exit 0

echo "== checking $deb"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch/root"
root=$scratch/root
version=$(dpkg-deb --field "$deb" Version)

fail() { echo "package check FAILED: $*" >&2; exit 1; }

echo "-- unpacked telvaro-cli --version"
"$root/usr/bin/telvaro-cli" --version | tee "$scratch/version"
[ "$(cat "$scratch/version")" = "telvaro-cli $version" ] || fail "telvaro-cli --version is not 'telvaro-cli $version'"

echo "-- unpacked telvaro-cli dump of a settings file"
# A record of zeros with a device name (offset 451) and baud index 3 (offset
# 567), then its checksum: the sum of the 1628 record bytes modulo 256.
settings=$scratch/check.bin
head -c 1628 /dev/zero >"$settings"
printf 'PKG-CHECK' | dd of="$settings" bs=1 seek=451 conv=notrunc status=none
printf '\003' | dd of="$settings" bs=1 seek=567 conv=notrunc status=none
sum=$(od -An -v -tu1 "$settings" | awk '{ for (i = 1; i <= NF; i++) s += $i } END { print s % 256 }')
printf "\\$(printf %03o "$sum")" >>"$settings"
"$root/usr/bin/telvaro-cli" dump "$settings" >"$scratch/dump"
grep -E '^(device_name|baud_index):' "$scratch/dump"
grep -qx 'device_name: "PKG-CHECK"' "$scratch/dump" || fail "dump does not show the device name"
grep -qx 'baud_index: 3 (9600)' "$scratch/dump" || fail "dump does not show the baud rate"

echo "-- unpacked telvaro-pro and telvaro-modem-sim start"
QT_QPA_PLATFORM=offscreen "$root/usr/bin/telvaro-pro" --help | head -n 1
"$root/usr/bin/telvaro-modem-sim" --help | head -n 1

echo "-- the window's translations"
for qm in telvaro_de.qm telvaro_zh_CN.qm; do
  [ -s "$root/usr/share/telvaro-pro/translations/$qm" ] || fail "the package lacks translations/$qm"
done

echo "-- the profile reference"
[ -s "$root/usr/share/doc/telvaro-pro/PROFILE.md" ] || fail "the package lacks doc/telvaro-pro/PROFILE.md"

echo "-- desktop-file-validate"
desktop-file-validate "$root"/usr/share/applications/*.desktop
echo "-- appstreamcli validate"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml

echo "-- lintian"
# Errors fail the check; warnings are listed.
lintian --fail-on error --tag-display-limit 0 "$deb"
echo "package check passed: $deb"
