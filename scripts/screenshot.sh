#!/usr/bin/env bash
# Takes docs/screenshot-read.png: the window after a successful Read against
# the simulated modem, on a virtual X server (Xvfb) with a window manager-free
# screen.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh xvfb xauth fonts-liberation2
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target window_screenshot
xvfb-run -a -s "-screen 0 1024x768x24" ./build/bench/window_screenshot docs/screenshot-read.png
