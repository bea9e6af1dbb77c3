#!/usr/bin/env bash
# Takes the pictures in docs/ on a virtual X server (Xvfb) without a window
# manager, each the window after a successful Read against the simulated modem:
#   screenshot-read.png       the Networks page
#   screenshot-port-list.png  the port selector's list open
#   screenshot-scale2.png     the GPRS page at scale 2
#   screenshot-dark.png       the window with a dark palette
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh xvfb xauth fonts-liberation2
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target window_screenshot
shot() { xvfb-run -a -s "-screen 0 ${SCREEN:-1024x768x24}" ./build/bench/window_screenshot "$@"; }
shot docs/screenshot-read.png
shot docs/screenshot-port-list.png --port-list
SCREEN=2048x1536x24 QT_SCALE_FACTOR=2 shot docs/screenshot-scale2.png --tab 2
shot docs/screenshot-dark.png --dark --tab 0
