#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: format and lint,
# unit tests and the desktop black box in Xvfb with PulseAudio (plain, then
# under ASan+UBSan with the hardening tests), the fuzzers, the 32-bit Windows
# product's static check and the 64-bit Windows build's tests under Wine; then
# the Debian package and the Windows zips.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/deps.sh --tests
jobs=$(nproc)
failed=()

step() {
  local name=$1
  shift
  echo "=== $name"
  if "$@"; then
    echo "=== $name: passed"
  else
    echo "=== $name: FAILED"
    failed+=("$name")
  fi
}

format_check() {
  find src tests -name '*.cpp' -o -name '*.h' | sort | xargs clang-format --dry-run --Werror
}

# The Windows backend is checked by the cross compiler's warnings; clang-tidy
# reads the Linux build's compile commands.
lint() {
  find src tests/unit -name '*.cpp' -not -path 'src/platform/win32/*' | sort |
    xargs -P "$jobs" -n 4 clang-tidy -p build --quiet --extra-arg=-Wno-unknown-warning-option
}

suite() {
  local preset=$1
  cmake --preset "$preset" >/dev/null &&
    cmake --build --preset "$preset" --parallel "$jobs" &&
    ctest --preset "$preset" --timeout 600
}

step "format" format_check
step "linux" suite default
step "lint" lint
step "linux-sanitizers" suite asan
step "fuzz" suite fuzz
step "windows-32" suite win32
step "windows-64" suite win64
step "package" ./tests/package/run.sh win32 win64

if ((${#failed[@]})); then
  echo "Failed: ${failed[*]}"
  exit 1
fi
echo "All test suites passed."
