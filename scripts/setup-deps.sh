#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Gridfall needs, and brings
# each to the version apt offers now, so a machine with an old image builds and tests against
# the same libraries (Mesa above all) as a freshly installed one. Idempotent: with nothing to
# install or upgrade it prints nothing. Run as root (or with sudo available).
set -euo pipefail

PACKAGES=(
  # build
  cmake ninja-build g++ pkg-config
  # window, GL context, headless EGL; the Mesa packages are named so that they are kept current
  libsdl2-dev libwayland-dev libgl-dev libegl-dev libgl1-mesa-dri libegl-mesa0 libglx-mesa0 libgbm1 libglapi-mesa
  # dialogs, message boxes, result plot
  libgtk-3-dev libcairo2-dev
  # options file, images
  libirrlicht-dev libstb-dev
  # HUD font
  libfreetype-dev libfontconfig-dev fonts-liberation
  # driver and PCI identification
  libdrm-dev libpci-dev pci.ids
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth x11-xserver-utils x11-utils xdotool imagemagick
  # the other stacks users run: a Wayland compositor, and zink over lavapipe
  weston mesa-vulkan-drivers
  valgrind stress-ng
  # a German locale built by the locale test; the fuzz targets that CI builds (Debian 12's clang)
  locales clang-14 libclang-rt-14-dev
  # release artefacts: the .deb's Depends (dpkg-shlibdeps, file), the profile's XML check and
  # Debian's package checker
  dpkg-dev file libxml2-utils lintian
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive

# Refresh the package lists first: without it "what apt offers" is whatever the image last saw.
# Offline, the old lists still tell what is missing.
if ! $SUDO apt-get update -qq >/dev/null 2>&1; then
  echo "setup-deps: apt-get update failed; using the package lists already on this machine" >&2
fi

# One dpkg-query and one apt-cache call for all packages: installed and candidate versions.
declare -A installed=()
while IFS=$'\t' read -r name status version; do
  if [ "$status" = "install ok installed" ]; then installed["$name"]="$version"; fi
done < <(dpkg-query -W -f='${Package}\t${Status}\t${Version}\n' "${PACKAGES[@]}" 2>/dev/null || true)

declare -A candidate=()
current=""
while IFS= read -r line; do
  case "$line" in
    [!\ ]*:) current="${line%:}" ;;
    "  Candidate: "*) candidate["$current"]="${line#  Candidate: }" ;;
  esac
done < <(LC_ALL=C apt-cache policy "${PACKAGES[@]}" 2>/dev/null || true)

todo=()
for p in "${PACKAGES[@]}"; do
  have="${installed[$p]:-}"
  offer="${candidate[$p]:-}"
  if [ -z "$have" ]; then
    todo+=("$p")
  elif [ -n "$offer" ] && [ "$offer" != "(none)" ] && [ "$have" != "$offer" ]; then
    todo+=("$p")
  fi
done

if [ ${#todo[@]} -eq 0 ]; then
  exit 0
fi

echo "setup-deps: installing or upgrading ${todo[*]}" >&2
$SUDO apt-get install -y -q --no-install-recommends "${todo[@]}"
