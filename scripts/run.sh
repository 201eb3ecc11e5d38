#!/usr/bin/env bash
# Installs what is missing, builds the viewer and starts it: with the arguments given, or with the
# torus example, so that a first run shows a model at once.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh run
bash scripts/build.sh build -DPALVETTA_TESTS=OFF -DPALVETTA_BENCH=OFF
if [ $# -eq 0 ]; then
  set -- examples/torus.obj
fi
exec ./build/app/palvetta "$@"
