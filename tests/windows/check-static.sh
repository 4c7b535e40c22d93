#!/bin/sh
# Static checks of the 32-bit program, which this machine cannot run: a
# 32-bit GUI executable that imports the calls the program is made of and
# needs no DLL beyond Windows' own. Prints only what fails.
# Usage: check-static.sh PROGRAM.exe OBJDUMP
set -u

program=$1
objdump=$2
failures=0

fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

# file's "(GUI)" is the header's subsystem field.
kind=$(file -b "$program")
case $kind in
  "PE32 executable (GUI) Intel 80386"*) ;;
  *) fail "file: $kind" ;;
esac

headers=$("$objdump" -p "$program") || { echo "FAIL objdump could not read $program"; exit 1; }

# Imported names appear as "<address> <hint> <name>" lines under each DLL.
imports=$(printf '%s\n' "$headers" | awk 'NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print $3 }')
for name in RegisterHotKey UnregisterHotKey GetWindowLongA SetWindowLongA CallWindowProcA \
  SetTimer KillTimer GetShortPathNameA mciExecute; do
  printf '%s\n' "$imports" | grep -qx "$name" || fail "does not import $name"
done

dlls=$(printf '%s\n' "$headers" | awk '/DLL Name:/ { print $3 }')
[ -n "$dlls" ] || fail "no DLL imports found"
for dll in $dlls; do
  case $(printf '%s' "$dll" | tr '[:upper:]' '[:lower:]') in
    kernel32.dll | user32.dll | gdi32.dll | winmm.dll | comctl32.dll | advapi32.dll | \
      shell32.dll | msvcrt.dll | api-ms-win-*) ;;
    *) fail "needs $dll, which is not part of Windows" ;;
  esac
done

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
