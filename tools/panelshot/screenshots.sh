#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# Draws the AppStream screenshots (res/screenshots/, committed, since the
# metainfo points at them on the code host): the panel, the manager listing a
# few recordings and the format dialog, each as vellory_panelshot pictures it
# on Qt's offscreen platform, in a scratch home with recordings made by sox.
#   tools/panelshot/screenshots.sh BUILD_DIR [OUT_DIR]
set -euo pipefail
build=${1:?build folder with vellory_panelshot}
out=${2:-$(cd "$(dirname "$0")/../.." && pwd)/res/screenshots}
shot=$build/tools/vellory_panelshot
[ -x "$shot" ] || { echo "no $shot: cmake --build $build --target vellory_panelshot" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=offscreen VELLORY_AUDIO=virtual LC_ALL=C.UTF-8 TZ=UTC
mkdir -p "$HOME/fmanager" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# Recordings of the New category in several of the program's formats, named
# as the program names them (UTC day and second of the day).
root=$HOME/fmanager
sox -n -r 44100 -b 16 -c 1 "$root/07-Dec-2026_32410.wav" synth 42 sine 440 vol 0.3
sox -n -r 8000 -e a-law -c 1 "$root/07-Dec-2026_51877.wav" synth 95 sine 330 vol 0.3
sox -n -r 22050 -e ima-adpcm -c 1 "$root/08-Dec-2026_29105.wav" synth 8 sine 550 vol 0.3
sox -n -r 8000 -e gsm-full-rate -c 1 "$root/08-Dec-2026_47312.wav" synth 184 sine 440 vol 0.3

mkdir -p "$out"
for window in panel manager format; do
  ASAN_OPTIONS=detect_leaks=0 "$shot" --window "$window" "$out/$window.png"
  echo "$out/$window.png"
done
