#!/bin/sh
# Runs a Windows test program under wine64, in the build's own Wine prefix
# (<build dir>/wineprefix), made on first use.
# Usage: wine-run.sh PROGRAM.exe [ARGUMENTS...]
#        wine-run.sh --prepare BUILD_DIR   (only makes the prefix)
set -eu

wine=/usr/lib/wine/wine64
program=$1
if [ "$program" = --prepare ]; then
  program=$2/CMakeCache.txt
fi

# The build directory is the nearest one above the program that holds CMakeCache.txt.
dir=$(cd "$(dirname "$program")" && pwd)
while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do
  dir=$(dirname "$dir")
done
[ -f "$dir/CMakeCache.txt" ] || { echo "wine-run.sh: no build directory above $program" >&2; exit 2; }
prefix=$dir/wineprefix
export WINEPREFIX=$prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# Tests may run in parallel: one of them makes the prefix, the others wait.
(
  flock 9
  # The mark comes last, so a prefix half made by an interrupted run is made again.
  if [ ! -f "$prefix/.made-by-wine-run" ]; then
    rm -rf "$prefix"
    "$wine" wineboot -i >/dev/null 2>&1
    # wineboot returns before its helpers finish and the registry is saved.
    /usr/lib/wine/wineserver -w
    touch "$prefix/.made-by-wine-run"
  fi
) 9>"$prefix.lock"

[ "$1" != --prepare ] || exit 0

# Wine's server and its service processes inherit the program's output and
# keep it open for seconds after the program ends; whoever reads to the end
# of that output (ctest does) would wait for them. Hand the output on from
# files once the program itself has ended.
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
status=0
"$wine" "$@" >"$out" 2>"$err" || status=$?
cat "$out"
cat "$err" >&2
exit "$status"
