#!/usr/bin/env bash
# Installs from Debian whatever the viewer ("run"), its tests ("test"), its Debian package
# ("package") or the Windows build ("windows") need and is missing.
# Safe to run again: with everything present it changes nothing and asks no server.
set -euo pipefail

# fonts-vlgothic draws the Japanese label of the open-file dialog's "all files" filter;
# librsvg2-bin's rsvg-convert makes the icon's PNG files from its drawing. Pictures without a
# window are drawn through EGL on Mesa (libegl-dev, libegl-mesa0) and written with libpng.
run_packages=(cmake ninja-build g++ pkg-config freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri
  libgtk-3-dev libx11-dev fonts-vlgothic librsvg2-bin libegl-dev libegl-mesa0 libpng-dev)
# The images that materials name are decoded with stb_image from libstb-dev, its header compiled
# into the program (and into the Windows build, which also takes the licence from its package).
run_packages+=(libstb-dev)
test_packages=(libgtest-dev libxres-dev clang libclang-rt-14-dev locales locales-all xvfb
  xauth x11-utils x11-apps xdotool xclip netpbm libpng-dev)
# The open-file benchmark learns from the X server when windows are drawn and sends input through it;
# the end-to-end tests keep the viewer's window off-screen as a compositing window manager does.
test_packages+=(libxdamage-dev libxtst-dev libxcomposite-dev)
# The whole-reading benchmark compares with tinyobjloader (and fast_obj, which
# scripts/fetch-bench-peers.sh fetches from Debian's meshoptimizer source package).
test_packages+=(libtinyobjloader-dev)
# The textured benchmark compares with f3d.
test_packages+=(f3d)

# dpkg-shlibdeps (dpkg-dev) and file work out the Debian package's dependencies; the tests pack it
# too, check the desktop entry and the manual page, and run Debian's checks of a package (lintian).
package_packages=(dpkg-dev file)
test_packages+=("${package_packages[@]}" desktop-file-utils man-db lintian)

# The cross compiler, Wine to run the Windows tests, dpkg-dev to unpack freeglut's source package,
# GoogleTest's sources, rsvg-convert and icoutils' icotool for the program's icon, and makensis
# and zip for the setup program and the portable zip.
windows_packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine wine64 fonts-wine dpkg-dev
  googletest librsvg2-bin icoutils nsis zip)
windows_packages+=(libstb-dev)

case ${1:-run} in
  run) wanted=("${run_packages[@]}") ;;
  test) wanted=("${run_packages[@]}" "${test_packages[@]}" "${windows_packages[@]}") ;;
  package) wanted=("${run_packages[@]}" "${package_packages[@]}") ;;
  windows) wanted=("${windows_packages[@]}") ;;
  *)
    echo "usage: install-deps.sh [run|test|package|windows]" >&2
    exit 2
    ;;
esac

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
