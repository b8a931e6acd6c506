#!/usr/bin/env bash
# Installs the Debian packages Vantor needs to build, test and run its demo,
# only those that are missing. Needs root (or sudo) when something is missing.
# With "fuzz", also what the fuzz targets need (clang and its libFuzzer).
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev libsqlite3-dev libgmime-3.0-dev libxml2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libx11-dev xvfb xauth trayer openbox imagemagick x11-utils xdotool
  dbus-daemon at-spi2-core python3-pyatspi python3-pytest python3-tenacity
  qt6-translations-l10n
  desktop-file-utils appstream librsvg2-bin file
  weston xwayland qt6-wayland
)
[ "${1:-}" = fuzz ] && packages+=(clang-14 libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
