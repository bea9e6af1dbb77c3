#!/usr/bin/env bash
# Builds the tool and starts it against the built-in simulated modem.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

link=/tmp/telvaro-sim
log=$(mktemp)
./build/sim/telvaro-modem-sim --link "$link" >"$log" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null; rm -f "$log"' EXIT
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
echo "simulated modem: $(head -n1 "$log") (linked at $link, COM50)"

./build/cli/telvaro-cli read --port "COM50=$link" "$@"
