#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Kolvista
# needs. Safe to run again: when everything is present it does nothing and
# prints nothing.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config git clang clang-format
  libclang-rt-14-dev
  # Qt 6
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-multimedia-dev
  qt6-webengine-dev qt6-webengine-dev-tools qt6-webchannel-dev
  qt6-qpa-plugins libgl-dev libxkbcommon-dev
  # FFmpeg (decoding, and the demo-card maker's encoders) and the outside reader
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev libswresample-dev
  libx264-dev ffmpeg
  # scaling and converting the decoded pictures for the screen
  libyuv-dev
  # tests and benchmarks (node runs the map page's script tests)
  googletest libgtest-dev libgmock-dev libbenchmark-dev nodejs
  # running the viewer without a display, and Japanese text
  xvfb xauth fonts-noto-cjk
  # reading exported CSV files back in the end-to-end tests, and exported
  # GPX and KML tracks in the command-line tests
  python3 gpsbabel
  # FAT card images for the card-delete tests
  dosfstools
  # checking the installed menu entry (desktop-file-validate)
  desktop-file-utils
  # a sound server with a null sink for the sound tests (tools/start-audio-sink.sh;
  # Qt Multimedia plays through libpulse), and parec/pactl to read back what it played
  pulseaudio pulseaudio-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi
echo "install-deps: installing ${#missing[@]} package(s): ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
