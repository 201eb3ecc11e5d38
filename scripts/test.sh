#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the plain build, the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, the fuzz targets for a bounded time, and then
# the Windows build's tests under Wine. Runs the graphical tests on an Xvfb of its own, whatever
# DISPLAY says, so the display of the person running them is left alone.
# PALVETTA_SKIP_WINDOWS=1 leaves out the Windows leg, for quick runs by hand.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test

bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPALVETTA_TESTS=ON \
  -DPALVETTA_BENCH=ON
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DPALVETTA_SANITIZE=ON \
  -DPALVETTA_TESTS=ON -DPALVETTA_BENCH=OFF
CC=clang CXX=clang++ bash scripts/build.sh build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPALVETTA_FUZZ=ON -DPALVETTA_TESTS=OFF -DPALVETTA_BENCH=OFF

source scripts/xvfb.sh
export NO_AT_BRIDGE=1 DBUS_SESSION_BUS_ADDRESS=disabled: GSETTINGS_BACKEND=memory
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

passed=0
failed=0
status=0
# Runs one build folder's tests, selected by the ctest options after the log's name, and adds
# their counts to the totals.
run_ctest() {
  local folder=$1 log=$2 line total bad
  shift 2
  echo "== ctest in $folder $*"
  if ! ctest --test-dir "$folder" "$@" --output-on-failure --timeout 600 2>&1 | tee "$log"; then
    status=1
  fi
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)
  if [ -z "$line" ]; then
    status=1
    return 0
  fi
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<< "$line")
  bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<< "$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

for folder in build build-asan build-fuzz; do
  [ -d "$folder" ] && [ -f "$folder/CTestTestfile.cmake" ] || continue
  # Tests labelled "wine" drive the Windows build, which the Windows leg makes. The fuzz targets
  # each run for a fixed time on one core, so they run side by side, one a core.
  parallel=1
  [ "$folder" = build-fuzz ] && parallel=$(nproc)
  run_ctest "$folder" "$folder/ctest.log" -LE wine -j "$parallel"
done

# The Windows build's tests run under Wine in a fresh prefix inside the build tree, on this
# command's display. The prefix stays exported for the whole leg; one persistent wineserver keeps
# the start of each test program short and is stopped at the end.
if [ "${PALVETTA_SKIP_WINDOWS:-0}" != 1 ]; then
  export WINEPREFIX=$PWD/build-windows/wine-prefix WINEDEBUG=-all
  export PALVETTA_WINDOWS_BUILD=$PWD/build-windows
  # The setup program and the zip are made as package-windows.sh makes them; the Wine tests
  # install the one and look into the other.
  if ! bash scripts/build-windows.sh -DPALVETTA_TESTS=ON || ! cpack \
    --config build-windows/CPackConfig.cmake -B build-windows/cpack > /dev/null; then
    status=1
  else
    [ -d "$WINEPREFIX" ] && wineserver -k 2> /dev/null || true
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    echo "== wineboot in $WINEPREFIX"
    wineserver -p
    # No offer to install Wine's Mono and Gecko, which nothing here uses.
    if WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i > build-windows/wineboot.log 2>&1; then
      run_ctest build-windows build-windows/ctest.log
      # The Windows viewer itself, started and checked from the Linux build.
      run_ctest build build/ctest-wine.log -L wine
      wineserver -k || true
    else
      cat build-windows/wineboot.log
      wineserver -k || true
      status=1
    fi
  fi
else
  echo "== Windows leg skipped (PALVETTA_SKIP_WINDOWS=1)"
fi

echo
echo "tests: $passed passed, $failed failed"
exit $status
