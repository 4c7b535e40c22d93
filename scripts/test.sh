#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: format and lint; the unit tests
# and the desktop black box (plain, then under ASan+UBSan with the hardening scenarios); the
# fuzzers for a short while; the Windows program's tests under Wine; the packages.
# Three lanes run side by side (Linux, lint, Windows), as the black boxes mostly wait on the
# clock; each stage's output goes to build-logs/ and is shown when the stage fails.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/deps.sh --tests
mkdir -p build-logs
rm -f build-logs/*.failed build-logs/*.log
started=$SECONDS

step() {
  local name=$1 begun=$SECONDS
  shift
  if "$@" >"build-logs/$name.log" 2>&1; then
    echo "=== $name: passed ($((SECONDS - begun)) s)"
  else
    echo "=== $name: FAILED ($((SECONDS - begun)) s); the end of build-logs/$name.log:"
    tail -n 40 "build-logs/$name.log"
    touch "build-logs/$name.failed"
  fi
}

# Builds and lint yield the cores to the black boxes in the other lanes, which keep time.
build() { cmake --preset "$1" >/dev/null && nice -n 10 cmake --build --preset "$1" --parallel 2 "${@:2}"; }
run_tests() { ctest --preset "$1" --parallel 2 "${@:2}"; }

format_check() {
  find src tests bench -name '*.cpp' -o -name '*.h' -o -name '*.c' | xargs clang-format --dry-run --Werror
}

# The Windows backend is checked by the cross compiler's warnings; clang-tidy reads the
# Linux build's compile commands. The headers checked are this tree's, wherever it stands.
lint() {
  find src tests/unit -name '*.cpp' -not -path 'src/platform/win32/*' |
    nice -n 10 xargs -P 2 -n 3 clang-tidy -p build --quiet --extra-arg=-Wno-unknown-warning-option \
      --header-filter="^$PWD/(src|tests)/"
}

# The 32-bit product runs where this machine executes 32-bit code and 32-bit Wine is installed
# and starts (deps.sh has said why not, if not); elsewhere the 64-bit build takes its place, and
# the 32-bit one is only built.
windows_run=win32 windows_other=win64
if ! ./scripts/deps.sh --wine32-works; then
  windows_run=win64 windows_other=win32
fi
windows() {
  # The build that does not run here has no tests to build (its package would build them).
  cmake --preset "$windows_other" -DMINUTE_ALARM_TESTS=OFF >/dev/null &&
    nice -n 10 cmake --build --preset "$windows_other" --parallel 2 &&
    build "$windows_run" && run_tests "$windows_run"
}

# The Debian package of the Linux build and the zips of both Windows builds.
package() {
  cpack --preset deb >/dev/null && cpack --preset win32 >/dev/null && cpack --preset win64 >/dev/null &&
    /usr/bin/python3 -B tests/package/test_package.py build/minute-alarm_*_amd64.deb \
      build-win32/minute-alarm-*-win32.zip build-win64/minute-alarm-*-win64.zip
}

lane_linux() {
  step linux-build build default
  step linux-tests run_tests default
  step sanitizers-build build asan
  step sanitizers-tests run_tests asan
  step fuzz build fuzz
  step fuzz-run run_tests fuzz
}

lane_lint() {
  step format format_check
  # Lint needs the Linux build's compile commands, written at configure time.
  until [[ -f build/compile_commands.json || -f build-logs/linux-build.failed ]]; do sleep 1; done
  step lint lint
}

lane_linux &
lanes=$!
lane_lint &
lanes+=" $!"
step windows windows
wait $lanes
step package package

failed=()
for log in build-logs/*.log; do
  name=$(basename "$log" .log)
  if [[ -e build-logs/$name.failed ]]; then failed+=("$name"); fi
done
passed=$(($(ls build-logs/*.log | wc -l) - ${#failed[@]}))
echo "Test stages after $((SECONDS - started)) s:"
echo "$passed passed, ${#failed[@]} failed"
if ((${#failed[@]})); then
  echo "Failed: ${failed[*]}"
  exit 1
fi
