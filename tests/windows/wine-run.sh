#!/bin/sh
# Runs a Windows program under Wine, in the prefix of the build it belongs to
# (<build>/wineprefix), made on first use. Usage: wine-run.sh PROGRAM.exe [ARGUMENTS...]
set -eu
# The 64-bit loader hands a 32-bit program on to the 32-bit one.
wine=$(command -v /usr/lib/wine/wine64 wine64 | head -n 1)
server=$(command -v "$(dirname "$wine")/wineserver" wineserver | head -n 1)
dir=$(dirname "$(realpath "$1")")
until [ -f "$dir/CMakeCache.txt" ] || [ "$dir" = / ]; do dir=$(dirname "$dir"); done
export WINEPREFIX="$dir/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Tests run in parallel: one makes the prefix, the others wait; the mark comes last.
flock "$WINEPREFIX.lock" sh -c '[ -f "$WINEPREFIX/.made" ] ||
  { rm -rf "$WINEPREFIX" && "$0" wineboot -i && "$1" -w && touch "$WINEPREFIX/.made"; }' \
  "$wine" "$server" >/dev/null 2>&1
# Wine's services keep the program's output open after it ends: pass it on from a file.
out=$(mktemp)
err=$(mktemp)
status=0
"$wine" "$@" >"$out" 2>"$err" || status=$?
# Seen once so far, in some hundreds of runs: Wine ended at once, printing nothing, not even a test's
# first line (a server on its way out as the program came?). Said, and tried once more.
if [ "$status" -ne 0 ] && [ ! -s "$out" ] && [ ! -s "$err" ]; then
  echo "wine-run.sh: Wine ended with $status and printed nothing; running it once more" >&2
  status=0
  "$wine" "$@" >"$out" 2>"$err" || status=$?
fi
cat "$out"
cat "$err" >&2
rm -f "$out" "$err"
exit "$status"
