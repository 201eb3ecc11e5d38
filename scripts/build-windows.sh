#!/usr/bin/env bash
# Cross-builds the viewer for 64-bit Windows into build-windows/ (build-windows/app/palvetta.exe):
#   bash scripts/build-windows.sh [cmake options...]
# Installs what is missing from Debian, builds freeglut from Debian's source package (and
# GoogleTest from Debian's googletest sources when the options ask for the tests with
# -DPALVETTA_TESTS=ON) into build-windows/deps/, then the project with cmake/mingw-w64-x86_64.cmake.
# Safe to run again: what is built is kept and reused.
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/install-deps.sh windows

folder=$root/build-windows
deps=$folder/deps
prefix=$deps/prefix
toolchain=$root/cmake/mingw-w64-x86_64.cmake
mkdir -p "$deps"

tests=OFF
for option in "$@"; do
  case $option in
    -DPALVETTA_TESTS=ON | -DPALVETTA_TESTS:BOOL=ON) tests=ON ;;
    -DPALVETTA_TESTS=* | -DPALVETTA_TESTS:BOOL=*) tests=OFF ;;
  esac
done

# Configures, builds and installs one dependency into $prefix unless its stamp says it is there.
build_dependency() {
  local name=$1 source=$2
  shift 2
  [ -f "$deps/$name.installed" ] && return 0
  echo "== building $name for Windows"
  cmake -S "$source" -B "$deps/$name-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" "$@" \
    > "$deps/$name-configure.log" 2>&1 || {
    cat "$deps/$name-configure.log"
    exit 1
  }
  { cmake --build "$deps/$name-build" && cmake --install "$deps/$name-build"; } \
    > "$deps/$name-build.log" 2>&1 || {
    cat "$deps/$name-build.log"
    exit 1
  }
  touch "$deps/$name.installed"
}

# freeglut's source comes from Debian's source package, fetched without changing the system's apt
# state (scripts/debian-source.sh).
fetch_freeglut_source() {
  local found
  for found in "$deps"/src/freeglut-*/; do
    [ -f "$found/CMakeLists.txt" ] && echo "${found%/}" && return 0
  done
  rm -rf "$deps/src"
  bash "$root/scripts/debian-source.sh" freeglut "$deps/src" "$deps/apt" >&2
  for found in "$deps"/src/freeglut-*/; do
    [ -f "$found/CMakeLists.txt" ] && echo "${found%/}" && return 0
  done
  echo "freeglut's source package did not unpack" >&2
  return 1
}

# The source is kept after the build: its licence goes into the program's notices.
freeglut_source=$(fetch_freeglut_source)
build_dependency freeglut "$freeglut_source" -DFREEGLUT_BUILD_SHARED_LIBS=OFF \
  -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_REPLACE_GLUT=OFF
if [ "$tests" = ON ]; then
  build_dependency googletest /usr/src/googletest -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON
fi

bash scripts/build.sh "$folder" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$prefix" -DFreeGLUT_DIR="$prefix/lib/cmake/FreeGLUT" \
  -DGTest_DIR="$prefix/lib/cmake/GTest" -DPALVETTA_FREEGLUT_LICENSE="$freeglut_source/COPYING" \
  -DPALVETTA_TESTS=OFF -DPALVETTA_BENCH=OFF "$@"
echo "built $folder/app/palvetta.exe"
