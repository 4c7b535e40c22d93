#!/bin/bash
# Builds the packages of the current commit twice, from a clone and from a source archive
# (`git archive`, no history), in two directories of different depth, and compares them byte for
# byte. Prints "reproducible: yes" or the first difference. In a tree without git history both
# builds are of copies of the tree.
# Usage: scripts/reproducible.sh   (needs what scripts/deps.sh --tests installs)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

source_tree() {  # DIR clone|archive
  if [[ ! -e $root/.git ]]; then
    mkdir -p "$1" && tar -C "$root" --exclude='./build*' -cf - . | tar -x -C "$1"
  elif [[ $2 == clone ]]; then
    git clone -q "$root" "$1"
  else
    mkdir -p "$1" && git -C "$root" archive HEAD | tar -x -C "$1"
  fi
}

build() {  # DIR clone|archive
  source_tree "$@"
  (cd "$1" &&
    for preset in default win32 win64; do
      cmake --preset "$preset" -DMINUTE_ALARM_TESTS=OFF >/dev/null
      cmake --build --preset "$preset" --parallel 2 >/dev/null
    done &&
    cpack --preset deb >/dev/null && cpack --preset win32 >/dev/null && cpack --preset win64 >/dev/null)
}

build "$work/a" clone
sleep 2  # a second apart at least, so any time stamp would show
build "$work/b/deeper/than/a" archive
status=0
for file in build/minute-alarm_*.deb build-win32/minute-alarm.exe build-win64/minute-alarm.exe \
  build-win32/minute-alarm-*-win32.zip build-win64/minute-alarm-*-win64.zip; do
  a=$(cd "$work/a" && ls $file) || { echo "reproducible: no ($file was not built)"; exit 1; }
  if ! cmp "$work/a/$a" "$work/b/deeper/than/a/$a"; then
    status=1
    if command -v diffoscope >/dev/null; then
      diffoscope "$work/a/$a" "$work/b/deeper/than/a/$a" | head -40
    fi
  fi
done
if ((status)); then
  echo "reproducible: no"
else
  echo "reproducible: yes"
fi
exit $status
