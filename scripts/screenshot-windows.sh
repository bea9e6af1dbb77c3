#!/usr/bin/env bash
# Takes docs/screenshot-windows.png: telvaro-pro.exe under Wine on a virtual X
# server (Xvfb), with the Windows platform and style, after it opened COM53
# (the simulated modem mapped through Wine's dosdevices) and read the modem.
# The Open button is pressed from the keyboard (Tab to it, Space), as an
# operator without a mouse would.
#
# Usage: scripts/screenshot-windows.sh [output.png]
# Builds what is missing with scripts/build-windows.sh first.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out_png="${1:-$repo/docs/screenshot-windows.png}"
# fonts-wine: the fonts Windows programs expect (Tahoma and its kin).
bash "$repo/scripts/deps.sh" xvfb xauth xdotool imagemagick fonts-wine >/dev/null
exe="$repo/build-win/app/telvaro-pro.exe"
sim="$repo/build/sim/telvaro-modem-sim"
[ -x "$exe" ] && [ -x "$sim" ] || bash "$repo/scripts/build-windows.sh"

wine="$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)"
scratch="$(mktemp -d)"
export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
display=":$((90 + RANDOM % 100))"
pids=()
finish() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  "$(dirname "$wine")/wineserver" -k >/dev/null 2>&1 || true
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap finish EXIT

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display"
"$sim" --link "$scratch/com53" --quiet &
pids+=($!)
for _ in $(seq 100); do [ -e "$scratch/com53" ] && break; sleep 0.1; done
"$wine" wineboot -i >/dev/null 2>&1 || true
ln -sfn "$(readlink -f "$scratch/com53")" "$WINEPREFIX/dosdevices/com53"

"$wine" "$exe" --port 'COM53=\\.\COM53' --select COM53 >/dev/null 2>&1 &
pids+=($!)
window="$(xdotool search --sync --onlyvisible --name '^Telvaro Pro' | head -n1)"
sleep 3  # the first paint under Wine
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
xdotool key --window "$window" Tab space
sleep 6  # open, then the automatic Read and its "Operation succeed!" box
# The success box (the window's other top-level window) is closed with Enter;
# then Ctrl+PageUp goes from the first page to the last, Networks.
for other in $(xdotool search --onlyvisible --pid "$(pgrep -f 'telvaro-pro.exe' | head -n1)" 2>/dev/null ||
               xdotool search --onlyvisible --name '.*'); do
  [ "$other" = "$window" ] && continue
  xdotool windowfocus --sync "$other" 2>/dev/null && xdotool key --window "$other" Return || true
done
sleep 1
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key --window "$window" ctrl+Prior
sleep 2
import -window root -crop "$(xdotool getwindowgeometry --shell "$window" |
  awk -F= '/WIDTH/{w=$2} /HEIGHT/{h=$2} /^X/{x=$2} /^Y/{y=$2} END{printf "%dx%d+%d+%d", w, h, x, y}')" "$out_png"
echo "wrote $out_png"
