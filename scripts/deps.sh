#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build (and with --tests, the
# test suite) needs and the machine lacks. Safe to run again: it only asks apt
# for what is missing. --bench adds what bench/run needs on top of the tests' packages.
set -euo pipefail

packages=(cmake g++ make pkg-config libgtk-3-dev libx11-dev libmpg123-dev libpulse-dev
  fonts-wqy-microhei)  # the message about a taken key is Chinese
if [[ "${1:-}" == "--bench" ]]; then
  packages+=(sox lame)  # the 30-minute mp3 the play-stall figure needs
fi
if [[ "${1:-}" == "--tests" || "${1:-}" == "--bench" ]]; then
  packages+=(
    libgtest-dev googletest clang-format clang-tidy
    xvfb xauth xdotool x11-utils xclip pulseaudio pulseaudio-utils
    dbus dbus-x11 at-spi2-core python3 python3-xlib python3-pyatspi gir1.2-atspi-2.0
    locales
    clang libclang-rt-14-dev  # the libFuzzer targets
    mingw-w64 binutils-mingw-w64 wine64 file
    dpkg-dev lintian man-db openbox  # the package test (openbox frames its screenshot)
  )
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
  as_root apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# One locale whose decimal separator is a comma, so the tests can show the
# chosen second survives such a locale.
if [[ "${1:-}" == "--tests" ]] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  as_root localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
