#!/usr/bin/env bash
# Installs every Debian package the station needs to build, run and test.
# Safe to run again: apt-get skips what is already installed.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

PACKAGES="build-essential cmake ninja-build ccache clang-format pkg-config git ca-certificates qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-svg-dev qt6-httpserver-dev qt6-websockets-dev qtkeychain-qt6-dev libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev libavdevice-dev ffmpeg libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev libgstreamer-plugins-bad1.0-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly gstreamer1.0-libav gstreamer1.0-nice libavahi-client-dev avahi-daemon avahi-utils dbus clang libclang-rt-14-dev libgtest-dev libgmock-dev googletest libbenchmark-dev fonts-dejavu-core fonts-tlwg-loma-otf xvfb xauth libgl-dev libx11-dev curl"

# --check: exit 0 when every package is installed, 1 otherwise (nothing is installed).
if [ "${1:-}" = "--check" ]; then
  for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || exit 1
  done
  exit 0
fi

# Package lists are missing on a fresh machine (or a slim image).
if [ -z "$(ls -A /var/lib/apt/lists 2>/dev/null | grep -v -e lock -e partial)" ]; then
  $SUDO apt-get update
fi

# Stale package lists give 404s: refresh them once and try again.
$SUDO apt-get install -y --no-install-recommends $PACKAGES || { $SUDO apt-get update && $SUDO apt-get install -y --no-install-recommends $PACKAGES; }
