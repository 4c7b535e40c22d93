#!/usr/bin/env bash
# Installs what is missing, builds Minute Alarm and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --parallel "$(nproc)"

if [[ -z "${DISPLAY:-}" ]]; then
  echo "No X display (DISPLAY is unset): starting Minute Alarm on a virtual display; press Ctrl+C to stop." >&2
  exec xvfb-run -a ./build/minute-alarm
fi
exec ./build/minute-alarm
