#!/usr/bin/env bash
# Builds the tool and starts it against the built-in simulated modem, whose
# port (COM50) is preselected: press Open and the tool reads the modem.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

link=/tmp/telvaro-sim
log=$(mktemp)
./build/sim/telvaro-modem-sim --link "$link" --quiet >"$log" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null; rm -f "$log"' EXIT
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
echo "simulated modem: $(head -n1 "$log") (linked at $link, COM50)"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  ./build/app/telvaro-pro --port "COM50=$link" --select COM50 "$@"
else
  echo "no display to open the window on; reading the simulated modem with telvaro-cli instead"
  ./build/cli/telvaro-cli read --port "COM50=$link"
fi
