#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Gridfall needs.
# Idempotent: installs only what is missing. Run as root (or with sudo available).
set -euo pipefail

PACKAGES=(
  # build
  cmake ninja-build g++ pkg-config
  # window, GL context, headless EGL
  libsdl2-dev libgl-dev libegl-dev libgl1-mesa-dri libegl-mesa0 libglx-mesa0
  # dialogs, message boxes, result plot
  libgtk-3-dev libcairo2-dev
  # options file, images, probe
  libirrlicht-dev libstb-dev libglew-dev
  # HUD font
  libfreetype-dev libfontconfig-dev fonts-liberation
  # driver and PCI identification
  libdrm-dev libpci-dev pci.ids
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth x11-xserver-utils x11-utils xdotool imagemagick
  valgrind
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "setup-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
