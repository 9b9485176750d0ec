#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# Installs the Debian 12 packages that building and running (run) or also
# testing (test) need:   tools/install-deps.sh run|test
# As root: apt-get update, then apt-get install of what is missing. Otherwise
# prints the one apt-get line to run and fails.
#
# A sound server is never installed for "run": the program talks to whichever
# server speaks the PulseAudio protocol (PulseAudio or PipeWire's
# pipewire-pulse). Installing a server package enables its user service for
# every login, which would switch or break a desktop's sound, so "test" adds
# one only in CI (CI=true: both servers, as both legs run there) or when no
# sound server is installed at all (then PipeWire, Debian 12's desktop default).
set -euo pipefail
set_name=${1:-test}

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-wayland
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  libpulse-dev
  libavcodec-dev libavformat-dev libavutil-dev libswresample-dev
)
case "$set_name" in
run) ;;
test)
  packages+=(
    libgtest-dev libgmock-dev
    pulseaudio-utils dbus-daemon dbus-bin ffmpeg sox libsox-fmt-all
    xvfb x11-utils xdotool imagemagick
    at-spi2-core python3-pyatspi gir1.2-atspi-2.0
    clang libclang-rt-14-dev
    desktop-file-utils appstream librsvg2-bin groff-base dpkg-dev file lintian
    chromium gstreamer1.0-tools gstreamer1.0-plugins-base-apps
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
    sndfile-programs python3
    weston
  )
  if [ "${CI:-}" = true ]; then
    # pipewire-pulse installs beside pulseaudio (only the pipewire-audio
    # metapackage conflicts with it), so CI can run both servers' legs.
    packages+=(pulseaudio pipewire pipewire-pulse wireplumber)
  elif ! installed pulseaudio && ! installed pipewire-pulse; then
    packages+=(pipewire pipewire-pulse wireplumber)
  fi
  ;;
*)
  echo "usage: $0 run|test" >&2
  exit 2
  ;;
esac

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" = 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
else
  echo "Missing packages. Run as root:" >&2
  echo "apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
  exit 1
fi
