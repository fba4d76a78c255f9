#!/usr/bin/env bash
# Installs everything the build, the run and the tests need on Debian 12.
# Safe to run again: it only installs what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-multimedia-dev libqt6multimedia6
  googletest libgtest-dev libbenchmark-dev libfftw3-dev clang libclang-rt-14-dev
  xvfb xdotool x11-utils x11-apps python3-xlib imagemagick
  desktop-file-utils appstream xdg-utils
  pulseaudio pulseaudio-utils libpulse-dev fonts-liberation stress-ng
  pipewire pipewire-pulse wireplumber dbus-daemon
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine wine64 wine32:i386 fonts-wine
)

if [ "$(id -u)" -ne 0 ]; then
  echo "setup.sh: run as root (it installs Debian packages)" >&2
  exit 1
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
