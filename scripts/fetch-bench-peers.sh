#!/usr/bin/env bash
# Fetches the whole-reading benchmark's fast_obj peer into a build folder, where bench/CMakeLists.txt
# finds it at the next configure:
#   bash scripts/fetch-bench-peers.sh [BUILD_FOLDER]   (build by default)
# fast_obj is a single header, which Debian's meshoptimizer source package carries in extern/; it
# is taken from there (scripts/debian-source.sh) into BUILD_FOLDER/bench-peers/fast_obj.h, and the
# rest of the source is deleted. Safe to run again: a header already there is kept.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/install-deps.sh test
build=${1:-build}
peers=$build/bench-peers
header=$peers/fast_obj.h
if [ ! -f "$header" ]; then
  rm -rf "$peers/debian"
  bash "$root/scripts/debian-source.sh" meshoptimizer "$peers/debian/src" "$peers/debian/apt"
  found=("$peers"/debian/src/meshoptimizer-*/extern/fast_obj.h)
  if [ ! -f "${found[0]}" ]; then
    echo "meshoptimizer's source package carries no extern/fast_obj.h" >&2
    exit 1
  fi
  cp "${found[0]}" "$header"
  rm -rf "$peers/debian"
fi
version=$(sed -n 's/^#define FAST_OBJ_VERSION_\(MAJOR\|MINOR\)[[:space:]]*\([0-9]*\).*/\2/p' \
  "$header" | paste -sd.)
echo "fast_obj $version in $header"
[ "$version" = 1.2 ] || echo "note: the benchmark's figures were taken with fast_obj 1.2" >&2
