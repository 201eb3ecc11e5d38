#!/usr/bin/env bash
# Builds the Windows setup program and the portable zip from the Windows cross-build:
#   bash scripts/package-windows.sh
# leaves dist/palvetta-<version>-win64.exe (64-bit setup, "just me" or "everyone") and
# dist/palvetta-<version>-win64.zip (palvetta.exe and its licence and notices in a folder of that
# name).
# Installs what is missing from Debian first; safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build-windows.sh
rm -rf build-windows/cpack
cpack --config build-windows/CPackConfig.cmake -B build-windows/cpack
mkdir -p dist
cp build-windows/cpack/palvetta-*-win64.exe build-windows/cpack/palvetta-*-win64.zip dist/
ls dist/palvetta-*-win64.*
