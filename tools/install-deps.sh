#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program and the tests need.
# As root: apt-get update, then apt-get install of what is missing. Otherwise
# prints the command to run and fails.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev
  libpulse-dev pulseaudio pulseaudio-utils
  libavcodec-dev libavformat-dev libavutil-dev libswresample-dev ffmpeg
  sox libsox-fmt-all
  xvfb x11-utils xdotool imagemagick
  clang libclang-rt-14-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" = 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
else
  echo "Missing packages. Run as root:" >&2
  echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
  exit 1
fi
