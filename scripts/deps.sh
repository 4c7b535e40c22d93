#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build (and with --tests, the test suite)
# needs and the machine lacks; safe to run again. --bench adds what bench/run needs.
# --can-run-i386 installs nothing: it exits 0 when this machine executes 32-bit x86 code.
set -euo pipefail

# Tries a 93-byte 32-bit x86 program that only exits with status 0.
can_run_i386() {
  local probe
  probe=$(mktemp)
  printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0\0\0\0\0\0\0\0\0'`
        `'\64\0\40\0\1\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10\135\0\0\0\135\0\0\0'`
        `'\5\0\0\0\0\20\0\0\270\1\0\0\0\61\333\315\200' >"$probe"
  chmod +x "$probe"
  local status=0
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  return "$status"
}
if [[ "${1:-}" == "--can-run-i386" ]]; then
  can_run_i386
  exit
fi

packages=(cmake g++ make pkg-config libgtk-3-dev libx11-dev libmpg123-dev libpulse-dev
  fonts-wqy-microhei)  # the message about a taken key is Chinese
if [[ "${1:-}" == "--bench" ]]; then
  packages+=(sox lame)  # the 30-minute mp3 the play-stall figure needs
fi
if [[ "${1:-}" == "--tests" || "${1:-}" == "--bench" ]]; then
  packages+=(
    git libgtest-dev googletest clang-format clang-tidy
    xvfb xauth xdotool x11-utils pulseaudio pulseaudio-utils
    dbus dbus-x11 at-spi2-core python3 python3-xlib python3-pyatspi gir1.2-atspi-2.0
    python3-dbus python3-gi libglib2.0-bin  # the desktop portal's stand-in
    locales
    clang libclang-rt-dev  # the libFuzzer targets
    mingw-w64 binutils-mingw-w64 wine64 file
    librsvg2-bin icoutils  # the Windows icon, rendered from the SVG
    dpkg-dev lintian man-db appstream desktop-file-utils  # the package test
  )
  # Wine plays MCI's MPEG audio through the GStreamer plugins of the program's own
  # architecture: the 32-bit product's where it can run, else the 64-bit build's.
  if can_run_i386; then
    packages+=(wine32:i386 libpulse0:i386 gstreamer1.0-plugins-base:i386
      gstreamer1.0-plugins-good:i386)
  else
    packages+=(gstreamer1.0-plugins-base gstreamer1.0-plugins-good)
  fi
elif [[ -z "${DISPLAY:-}" ]]; then
  packages+=(xvfb xauth)  # no desktop here: the program gets a virtual display
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
    missing+=("$package")
  fi
done

as_root() {
  if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi
}

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  as_root apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# One locale whose decimal separator is a comma, so the tests can show the
# chosen second survives such a locale.
if [[ "${1:-}" == "--tests" ]] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  as_root localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
