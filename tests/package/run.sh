#!/usr/bin/env bash
# Packs the Linux build as a Debian package (and each Windows build named as its zip) and
# tests them. Usage: tests/package/run.sh [win32] [win64]   (those builds must be made)
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset default >/dev/null
cmake --build --preset default --parallel "$(nproc)" --target minute-alarm minute_alarm_docs
cpack --preset deb >/dev/null
zips=()
for arch in "$@"; do
  cpack --preset "$arch" >/dev/null
  zips+=(build-"$arch"/minute-alarm-*-"$arch".zip)
done
exec /usr/bin/python3 -B tests/package/test_package.py build/minute-alarm_*_amd64.deb "${zips[@]}"
