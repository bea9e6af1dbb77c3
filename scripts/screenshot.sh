#!/usr/bin/env bash
# Takes the pictures in docs/ on a virtual X server (Xvfb) without a window
# manager, each the window after a successful Read against the simulated modem:
#   screenshot-read.png       the Networks page
#   screenshot-port-list.png  the port selector's list open
#   screenshot-scale2.png     the GPRS page at scale 2
#   screenshot-dark.png       the window with a dark palette
#   screenshot-scale2-1080.png  scale 2 on a 1920 x 1080 screen: the window
#                             fits the screen and the DO page scrolls (shown
#                             scrolled to its end)
#   screenshot-wide.png       a wider window showing all twelve tabs
#   screenshot-gprs-de.png    the GPRS page in German
#   screenshot-gprs-zh.png    the GPRS page in Chinese
#   screenshot-dark-de.png    a dark palette in German, on the Phone Book page
#   screenshot-first-sight.png  the window as it opens on a 1280 x 1024 screen
#   screenshot-question.png   the question before an edit not written is thrown away
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh xvfb xauth fonts-liberation2 fonts-noto-cjk
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target window_screenshot telvaro_translations
shot() { xvfb-run -a -s "-screen 0 ${SCREEN:-1024x768x24}" ./build/bench/window_screenshot "$@"; }
shot docs/screenshot-read.png
shot docs/screenshot-port-list.png --port-list
SCREEN=2048x1536x24 QT_SCALE_FACTOR=2 shot docs/screenshot-scale2.png --tab 2
shot docs/screenshot-dark.png --dark --tab 0
SCREEN=1920x1080x24 QT_SCALE_FACTOR=2 shot docs/screenshot-scale2-1080.png --tab 8 --scroll-bottom
SCREEN=1280x800x24 shot docs/screenshot-wide.png --tab 0 --size 1000x640
shot docs/screenshot-gprs-de.png --tab 2 --lang de
shot docs/screenshot-gprs-zh.png --tab 2 --lang zh_CN
shot docs/screenshot-dark-de.png --dark --tab 9 --lang de
SCREEN=1280x1024x24 shot docs/screenshot-first-sight.png --first-sight
SCREEN=1280x1024x24 shot docs/screenshot-question.png --question --tab 1
