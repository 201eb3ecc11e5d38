#!/usr/bin/env bash
# Installs from Debian whatever the viewer ("run") or its tests ("test") need and is missing.
# Safe to run again: with everything present it changes nothing and asks no server.
set -euo pipefail

# fonts-vlgothic draws the Japanese label of the open-file dialog's "all files" filter.
run_packages=(cmake ninja-build g++ pkg-config freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri
  libgtk-3-dev fonts-vlgothic)
test_packages=(libgtest-dev libx11-dev libxres-dev clang libclang-rt-14-dev locales locales-all xvfb
  xauth x11-utils x11-apps xdotool xclip netpbm)
# The open-file benchmark learns from the X server when windows are drawn and sends input through it.
test_packages+=(libxdamage-dev libxtst-dev)

wanted=("${run_packages[@]}")
if [ "${1:-run}" = test ]; then
  wanted+=("${test_packages[@]}")
fi

missing=()
for package in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
