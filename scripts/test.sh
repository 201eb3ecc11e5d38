#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the plain build, the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets for a bounded time.
# Runs the graphical tests on an Xvfb of its own, whatever DISPLAY says, so the display of the
# person running them is left alone.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test

bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPALVETTA_TESTS=ON \
  -DPALVETTA_BENCH=ON
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DPALVETTA_SANITIZE=ON \
  -DPALVETTA_TESTS=ON -DPALVETTA_BENCH=OFF
if [ -f fuzz/CMakeLists.txt ]; then
  CC=clang CXX=clang++ bash scripts/build.sh build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPALVETTA_FUZZ=ON -DPALVETTA_TESTS=OFF -DPALVETTA_BENCH=OFF
fi

source scripts/xvfb.sh
export NO_AT_BRIDGE=1 DBUS_SESSION_BUS_ADDRESS=disabled: GSETTINGS_BACKEND=memory
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

passed=0
failed=0
status=0
for folder in build build-asan build-fuzz; do
  [ -d "$folder" ] && [ -f "$folder/CTestTestfile.cmake" ] || continue
  echo "== ctest in $folder"
  log="$folder/ctest.log"
  if ! ctest --test-dir "$folder" --output-on-failure --timeout 600 2>&1 | tee "$log"; then
    status=1
  fi
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)
  if [ -z "$line" ]; then
    status=1
    continue
  fi
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<< "$line")
  bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<< "$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
done
echo
echo "tests: $passed passed, $failed failed"
exit $status
