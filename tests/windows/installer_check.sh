#!/usr/bin/env bash
# Checks the Windows installer under Wine, in a scratch Wine prefix of its
# own: a silent install into Program Files, the installed telvaro-cli.exe
# --version, the Start menu entry, the uninstaller's entry in Add/Remove
# Programs, the icon and version in the programs' resources (wrestool, from
# icoutils), the portable zip beside it holding the same files, then a silent
# uninstall that leaves no file behind.
#
# Usage: tests/windows/installer_check.sh SETUP.EXE
#   the version checked is the one in the name, telvaro-pro-<version>-setup.exe
#   WINE (default /usr/lib/wine/wine64) names the Wine loader.
set -euo pipefail

if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  sed -n '2,11p' "$0" >&2
  exit 2
fi
setup="$(readlink -f "$1")"
version="$(basename "$setup" | sed -nE 's/^telvaro-pro-(.+)-setup\.exe$/\1/p')"
[ -n "$version" ] || { echo "cannot tell the version from the name $setup" >&2; exit 2; }

wine="${WINE:-/usr/lib/wine/wine64}"
wineserver="$(dirname "$wine")/wineserver"
scratch="$(mktemp -d)"
export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  rm -rf "$scratch"
}
trap cleanup EXIT

failures=0
check() { echo "ok: $*"; }
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }
# Runs a Windows program and waits until every process it started is gone
# (an NSIS uninstaller goes on as a copy of itself in %TEMP%).
win() { "$wine" "$@"; "$wineserver" -w; }

drive_c="$WINEPREFIX/drive_c"
install_dir="$drive_c/Program Files/Telvaro Pro"
start_menu="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Telvaro Pro"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Telvaro Pro'

echo "== installer check: $(basename "$setup") (version $version)"
win wineboot --init >/dev/null 2>&1

win "$setup" /S || fail "the silent install exited with status $?"
if [ -f "$install_dir/telvaro-cli.exe" ] && [ -f "$install_dir/telvaro-pro.exe" ]; then
  check "installed into C:\\Program Files\\Telvaro Pro (telvaro-pro.exe, telvaro-cli.exe)"
else
  fail "the programs are not in $install_dir"
fi
# Explorer's icon and file properties: an icon group and the version strings.
for exe in telvaro-pro telvaro-cli; do
  file="$install_dir/$exe.exe"
  [ -f "$file" ] || continue
  strings="$(wrestool -x --raw --type=16 "$file" 2>/dev/null | strings -el | paste -sd' ')"
  if wrestool -l --type=14 "$file" 2>/dev/null | grep -q group_icon &&
     grep -q "FileVersion $version .*OriginalFilename $exe.exe ProductName Telvaro Pro ProductVersion $version" <<<"$strings"; then
    check "$exe.exe carries the icon and version $version"
  else
    fail "$exe.exe lacks the icon or the version $version (version strings: $strings)"
  fi
done
[ -s "$install_dir/manual.html" ] && check "the manual is installed" || fail "no manual.html"
qm="$(cd "$install_dir/translations" 2>/dev/null && ls -- *.qm 2>/dev/null | paste -sd' ')" || true
[ -n "$qm" ] && check "the translations are installed: $qm" || fail "no translations in $install_dir/translations"

shown="$("$wine" "$install_dir/telvaro-cli.exe" --version 2>&1 | tr -d '\r')" || true
[ "$shown" = "telvaro-cli $version" ] && check "telvaro-cli.exe --version: $shown" ||
  fail "telvaro-cli.exe --version printed '$shown', not 'telvaro-cli $version'"

[ -f "$start_menu/Telvaro Pro.lnk" ] && check "Start menu entry Telvaro Pro\\Telvaro Pro" ||
  fail "no Start menu entry in $start_menu"

registry="$("$wine" reg query "$uninstall_key" 2>&1 | tr -d '\r')" || true
if grep -q 'UninstallString.*Telvaro Pro\\Uninstall.exe' <<<"$registry" &&
   grep -Eq "DisplayVersion +REG_SZ +$version\$" <<<"$registry"; then
  check "Add/Remove Programs entry with the uninstaller and version $version"
else
  fail "no uninstall entry for $version under $uninstall_key:"$'\n'"$registry"
fi

# The portable zip beside the installer holds the same files.
zip="${setup%-setup.exe}-win64.zip"
if [ -f "$zip" ]; then
  installed="$(cd "$install_dir" && find . -type f ! -name Uninstall.exe | sed 's|^\./||' | sort)"
  zipped="$(cmake -E tar tf "$zip" | grep -v '/$' | sed 's|^[^/]*/||' | sort)"
  [ -n "$zipped" ] && [ "$installed" = "$zipped" ] && check "$(basename "$zip") holds the installed files" ||
    fail "$(basename "$zip") and the installation differ:"$'\n'"$(diff <(echo "$installed") <(echo "$zipped") || true)"
fi

win "$install_dir/Uninstall.exe" /S || fail "the silent uninstall exited with status $?"
if [ ! -e "$install_dir" ]; then
  check "uninstalled: the install folder is gone"
else
  fail "left after the uninstall:"$'\n'"$(find "$install_dir")"
fi
[ ! -e "$start_menu" ] && check "the Start menu entry is gone" || fail "the Start menu folder is still there"
if "$wine" reg query "$uninstall_key" >/dev/null 2>&1; then
  fail "the uninstall entry is still in the registry"
else
  check "the uninstall entry is gone"
fi

if [ "$failures" -ne 0 ]; then
  echo "installer check: $failures failure(s)" >&2
  exit 1
fi
echo "installer check passed"
