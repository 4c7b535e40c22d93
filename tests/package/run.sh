#!/usr/bin/env bash
# Builds the Debian package in a Release build and tests it; with win32 and/or
# win64 as arguments, also makes and tests those Windows zips (their builds,
# build-win32 and build-win64, must have been configured).
# The program run saves build-release/screenshot.png; README's image is a copy.
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake --preset release >/dev/null
cmake --build --preset release --parallel "$(nproc)"
cpack --preset deb
zip_dirs=()
for arch in "$@"; do
  cpack --preset "$arch"
  zip_dirs+=(--zip-dir "build-$arch")
done
# Debian's Python: the desktop harness needs python3-xlib.
exec /usr/bin/python3 tests/package/test_package.py --deb-dir build-release "${zip_dirs[@]}"
