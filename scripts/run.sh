#!/usr/bin/env bash
# Installs what is missing, builds the viewer and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh run
bash scripts/build.sh build -DPALVETTA_TESTS=OFF -DPALVETTA_BENCH=OFF
exec ./build/app/palvetta "$@"
