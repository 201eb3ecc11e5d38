#!/usr/bin/env bash
# Builds the Debian package dist/palvetta_<version>_amd64.deb from a release build of its own:
#   bash scripts/package.sh
# Install it with: sudo apt-get install ./dist/palvetta_<version>_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh package
bash scripts/build.sh build-package -DCMAKE_BUILD_TYPE=Release -DPALVETTA_TESTS=OFF \
  -DPALVETTA_BENCH=OFF
rm -rf build-package/cpack
cpack --config build-package/CPackConfig.cmake -B build-package/cpack
mkdir -p dist
cp build-package/cpack/palvetta_*_amd64.deb dist/
ls dist/palvetta_*_amd64.deb
