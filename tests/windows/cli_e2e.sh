#!/usr/bin/env bash
# telvaro-cli.exe under Wine against the native simulated modem, through the
# Win32 serial backend: the simulator's pseudo-terminal is Wine's COM51
# ($WINEPREFIX/dosdevices/com51). Checks --version; check of a YAML profile
# and the refusal of a bad one; read into a settings file with a trace; apply
# of the profile and a read-back (to standard output) holding it; a fleet run
# from a units file, twice, the earlier report kept; write of the earlier
# settings file and a read-back holding it; Ctrl+C during an upgrade. Prints
# each check; exits non-zero on the first failure. Ends the prefix's Wine
# server.
#
# Usage: tests/windows/cli_e2e.sh BUILD_WIN_DIR NATIVE_SIMULATOR
#   BUILD_WIN_DIR     the Windows build (holds cli/telvaro-cli.exe)
#   NATIVE_SIMULATOR  telvaro-modem-sim from the native build
# Environment: WINEPREFIX (default BUILD_WIN_DIR/wineprefix), WINE (default:
# wine64 or wine on the PATH, else /usr/lib/wine/wine64).
set -euo pipefail

if [ $# -ne 2 ]; then
  sed -n '2,16p' "$0" >&2
  exit 2
fi
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$(cd "$1" && pwd)"
sim="$(readlink -f "$2")"
cli="$build/cli/telvaro-cli.exe"
for f in "$cli" "$sim"; do
  [ -x "$f" ] || { echo "cli_e2e: missing $f" >&2; exit 2; }
done
wine="${WINE:-$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)}"
export WINEPREFIX="${WINEPREFIX:-$build/wineprefix}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

work="$(mktemp -d "$build/cli-e2e.XXXXXX")"
sim_pid=""
finish() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  rm -f "$WINEPREFIX/dosdevices/com51"
  timeout 60 "$(dirname "$wine")/wineserver" -w >/dev/null 2>&1 || "$(dirname "$wine")/wineserver" -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap finish EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
pass() { echo "ok: $*"; }
# The Windows program's output without its carriage returns.
cli() { "$wine" "$cli" "$@" | tr -d '\r'; }

cd "$work"
# The first program starts the prefix's Wine server, which keeps its error
# output (and its dump when it is ended): the log, not the terminal.
version="$(sed -n 's/^project(TelvaroPro VERSION \([0-9.]*\).*/\1/p' "$repo/CMakeLists.txt")"
out="$("$wine" "$cli" --version 2>"$work/wine.log" | tr -d '\r')" || fail "telvaro-cli.exe --version exited non-zero"
[ "$out" = "telvaro-cli $version" ] || fail "--version printed '$out', not 'telvaro-cli $version'"
pass "telvaro-cli.exe --version: $out"

"$sim" --link "$work/sim" --quiet >"$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -e "$work/sim" ] && break; sleep 0.1; done
[ -e "$work/sim" ] || fail "the simulator made no device ($(cat "$work/sim.log"))"
mkdir -p "$WINEPREFIX/dosdevices"
ln -sfn "$(readlink -f "$work/sim")" "$WINEPREFIX/dosdevices/com51"

# The two settings the profile changes, as dump shows them.
shown() { cli dump "$1" | grep -E '^(device_name|apn|connect_interval):'; }
apn="wine-e2e.example"
printf 'format: telvaro-profile/1\nbasic:\n  device_name: "WINE-51"\ngprs:\n  apn: "%s"\n  connect_interval: 10\n' "$apn" >site.yaml
cli check site.yaml >check.txt 2>&1 || fail "check site.yaml: $(cat check.txt)"
pass "check site.yaml"
printf 'format: telvaro-profile/1\ngprs:\n  apn: "%s"\n' "$(printf 'x%.0s' $(seq 60))" >long.yaml
if cli check long.yaml >/dev/null 2>&1; then fail "check accepted an APN of 60 characters"; fi
pass "check long.yaml refused (APN over 50 characters)"

cli read --port COM51 -o before.bin --trace trace.txt >read.txt 2>&1 || fail "read --port COM51: $(cat read.txt)"
[ "$(stat -c %s before.bin)" -eq 1629 ] || fail "before.bin is not a 1629-byte settings file"
grep -q . trace.txt || fail "--trace wrote nothing"
pass "read --port COM51 -o before.bin (1629 bytes, trace written)"

cli apply site.yaml --port COM51 >apply.txt 2>&1 || fail "apply site.yaml: $(cat apply.txt)"
pass "apply site.yaml --port COM51"
# To standard output byte for byte: 10 s is a byte 0x0A, which a Windows
# text stream would write as CR LF.
"$wine" "$cli" read --port COM51 -o - >after.bin 2>read.txt || fail "read -o - after apply: $(cat read.txt)"
[ "$(stat -c %s after.bin)" -eq 1629 ] || fail "read -o - wrote $(stat -c %s after.bin) bytes, not 1629"
expected="$(printf 'device_name: "WINE-51"\napn: "%s"\nconnect_interval: 10' "$apn")"
[ "$(shown after.bin)" = "$expected" ] || fail "the modem does not hold the profile: $(shown after.bin)"
pass "read -o - after it (1629 bytes) holds the profile: $(shown after.bin | tr '\n' ' ')"

# The fleet: a units file and its report, twice, so that the second run keeps
# the first report under its time.
printf 'port,basic.device_name\r\nCOM51,FLEET-51\r\n' >units.csv
for run in 1 2; do
  cli apply site.yaml --units units.csv --report report.csv >fleet$run.txt 2>&1 ||
    fail "apply --units, run $run: $(cat fleet$run.txt)"
done
grep -q '^earlier report kept as report-' fleet2.txt || fail "the second run kept no earlier report: $(cat fleet2.txt)"
kept="$(ls report-*.csv 2>/dev/null | head -1)"
[ -n "$kept" ] && [ -s report.csv ] && [ -s "$kept" ] || fail "report.csv and the kept report are not both there: $(ls)"
cli read --port COM51 -o fleet.bin >/dev/null 2>&1 || fail "read after the fleet run"
cli dump fleet.bin | grep -q '^device_name: "FLEET-51"' || fail "the fleet run's device name is not on the modem"
pass "apply --units units.csv twice: the modem holds its row, report.csv and $kept written"

cli write before.bin --port COM51 >write.txt 2>&1 || fail "write before.bin: $(cat write.txt)"
cli read --port COM51 -o back.bin >/dev/null 2>&1 || fail "read after write"
[ "$(shown back.bin)" = "$(shown before.bin)" ] || fail "the modem does not hold before.bin again: $(shown back.bin)"
pass "write before.bin --port COM51, read-back holds it again: $(shown back.bin | tr '\n' ' ')"
# Ctrl+C mid-upgrade (Wine turns SIGINT into the console's Ctrl+C event): the
# packet under way ends, nothing more is sent, exit 130. Last: the modem is
# left in its loader.
head -c 65536 /dev/zero | tr '\0' '\132' >image.bin
"$wine" "$cli" upgrade image.bin --port COM51 >upgrade.txt 2>&1 &
upgrade_pid=$!
for _ in $(seq 300); do grep -q 'packet 3/' upgrade.txt && break; sleep 0.1; done
grep -q 'packet 3/' upgrade.txt || { kill "$upgrade_pid"; fail "the upgrade sent no packets: $(tr -d '\r' <upgrade.txt)"; }
kill -INT "$upgrade_pid"
status=0
wait "$upgrade_pid" || status=$?
[ "$status" -eq 130 ] && grep -q 'interrupted at packet' upgrade.txt ||
  fail "Ctrl+C mid-upgrade: exit $status, $(tr -d '\r' <upgrade.txt | tail -2)"
pass "Ctrl+C mid-upgrade: $(tr -d '\r' <upgrade.txt | grep 'interrupted at packet' | cut -c1-60)..., exit 130"
echo "telvaro-cli.exe under Wine: all checks passed"
