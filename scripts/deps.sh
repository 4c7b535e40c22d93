#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build (and with --tests, the test suite)
# needs and the machine lacks; safe to run again. --bench adds what bench/run needs.
# Installs nothing with:
#   --can-run-i386   exits 0 when this machine executes 32-bit x86 code;
#   --wine32-works   exits 0 when the 32-bit Windows product can run here: the machine executes
#                    32-bit code and 32-bit Wine is installed and starts.
# 32-bit Wine is an extra: where it cannot be had, the Windows tests run on the 64-bit build,
# and one line says why.
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

# Wine plays MCI's MPEG audio through the GStreamer plugins of the program's own architecture.
wine32_packages=(wine32:i386 libpulse0:i386 gstreamer1.0-plugins-base:i386
  gstreamer1.0-plugins-good:i386)

installed() { [[ $(dpkg-query -W -f='${Status}' "$1" 2>/dev/null) == *"ok installed"* ]]; }

# Sets wine32_problem to why the 32-bit product cannot run here, or to nothing when it can.
check_wine32() {
  wine32_problem=""
  if ! can_run_i386; then
    wine32_problem="this machine cannot execute 32-bit x86 code"
    return
  fi
  local package
  for package in "${wine32_packages[@]}"; do
    if ! installed "$package"; then
      wine32_problem="${wine32_install_error:-$package is not installed}"
      return
    fi
  done
  local said
  if ! said=$(/usr/lib/wine/wine --version 2>&1); then
    wine32_problem="32-bit Wine does not start: $(head -n 1 <<<"$said")"
  fi
}

case "${1:-}" in
  --can-run-i386) can_run_i386; exit ;;
  --wine32-works) check_wine32; [[ -z $wine32_problem ]]; exit ;;
esac

packages=(cmake g++ make pkg-config libgtk-3-dev libx11-dev libmpg123-dev libpulse-dev
  fonts-wqy-microhei)  # the message about a taken key is Chinese
extras=()
if [[ "${1:-}" == "--bench" ]]; then
  packages+=(sox lame)  # the 30-minute mp3 the play-stall figure needs
fi
if [[ "${1:-}" == "--tests" || "${1:-}" == "--bench" ]]; then
  packages+=(
    git libgtest-dev googletest clang-format clang-tidy
    xvfb xauth xdotool x11-utils pulseaudio pulseaudio-utils
    dbus dbus-x11 at-spi2-core python3 python3-xlib python3-pyatspi gir1.2-atspi-2.0
    locales
    clang libclang-rt-dev  # the libFuzzer targets
    mingw-w64 binutils-mingw-w64 wine64 file
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good  # MCI's MP3 for the 64-bit build
    librsvg2-bin icoutils  # the Windows icon, rendered from the SVG
    dpkg-dev lintian man-db appstream desktop-file-utils  # the package test
  )
  if can_run_i386; then
    extras=("${wine32_packages[@]}")
  fi
elif [[ -z "${DISPLAY:-}" ]]; then
  packages+=(xvfb xauth)  # no desktop here: the program gets a virtual display
fi

missing() {  # NAME PACKAGE...: the array NAME gets the packages not installed
  local -n list=$1
  local package
  list=()
  for package in "${@:2}"; do
    installed "$package" || list+=("$package")
  done
}
missing missing_packages "${packages[@]}"
missing missing_extras "${extras[@]}"

as_root() {
  if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi
}

log=$(mktemp)
trap 'rm -f "$log"' EXIT

# apt's output shown as it comes and kept in $log; the command's status is apt's.
run_apt() {
  as_root env DEBIAN_FRONTEND=noninteractive apt-get -q "$@" 2>&1 | tee "$log"
  return "${PIPESTATUS[0]}"
}

# One line for each index that could not be refreshed: "URL: apt's reason".
failed_indexes() {
  sed -n -E 's/ *\[IP: [^]]*\] *$//; s/^[EW]: Failed to fetch ([^ ]+) +(.*[^ ]) *$/\1: \2/p;
    s/^E: (The repository .*)$/\1/p' "$log"
}

# A failed index is not the end: the packages wanted may not need it, and the install tells.
update_failures=""
refresh() {
  local attempt
  for attempt in 1 2; do
    if run_apt update && [[ -z $(failed_indexes) ]]; then
      update_failures=""
      return
    fi
    update_failures=$(failed_indexes)
    # A mirror in mid-sync or a dropped connection may mend; a missing or unsigned repository not.
    if [[ $attempt == 2 ]] || ! grep -q -v -E 'Release file|NO_PUBKEY|not signed' <<<"$update_failures"; then
      break
    fi
    echo "deps.sh: apt-get update failed for some index; trying once more in 5 s"
    sleep 5
  done
  while IFS= read -r line; do
    echo "deps.sh: going on without an index apt could not refresh: $line"
  done <<<"${update_failures:-apt-get update failed (see above)}"
}

# Installs, or fails with apt's reason kept in $log. A download that failed is tried once more.
install() {
  run_apt install -y --no-install-recommends "$@" && return
  grep -q -E '^E: (Failed to fetch|Unable to fetch)' "$log" || return 1
  echo "deps.sh: a download failed; refreshing the indexes and trying once more"
  refresh
  run_apt install -y --no-install-recommends "$@"
}

# apt's reason in one line: its errors, and a dependency it could not meet, of one of the
# PACKAGEs asked for where apt names one (its list is alphabetical, and may open with apt itself).
apt_reason() {
  local line unmet=""
  while IFS= read -r line; do
    [[ -z $unmet ]] && unmet=$line
    if [[ " $* " == *" ${line%% : *} "* ]]; then
      unmet=$line
      break
    fi
  done <<<"$(sed -n -E '/unmet dependencies:$/,/^E: /s/^ ([^ ]+ : .*)$/\1/p' "$log")"
  { grep -E '^E: ' "$log" | head -n 2
    [[ -z $unmet ]] || echo "$unmet"; } | paste -s -d ';' | sed 's/;/; /g; s/ \{2,\}/ /g'
}

added_i386=""
drop_unused_i386() {
  # An architecture added for 32-bit Wine and left with no package would keep every later
  # apt-get update fetching (and failing on) its indexes.
  # (grep reads to the end: with -q it could stop dpkg-query early, which pipefail counts.)
  if [[ -n $added_i386 ]] && ! dpkg-query -W -f='${Architecture}\n' | grep -x i386 >/dev/null; then
    if as_root dpkg --remove-architecture i386; then
      echo "deps.sh: removed the i386 architecture again: no package of it is installed"
    fi
  fi
}

if ((${#missing_packages[@]} + ${#missing_extras[@]})); then
  echo "Installing: ${missing_packages[*]} ${missing_extras[*]}"
  if ((${#missing_extras[@]})) && ! dpkg --print-foreign-architectures | grep -x i386 >/dev/null; then
    as_root dpkg --add-architecture i386
    added_i386=yes
  fi
  refresh
  if ((${#missing_packages[@]})) && ! install "${missing_packages[@]}"; then
    echo "deps.sh: apt could not install what Minute Alarm needs: $(apt_reason "${missing_packages[@]}")${update_failures:+ (indexes that failed: ${update_failures//$'\n'/; })}" >&2
    echo "deps.sh: make apt able to install the packages above (mend or remove the apt source that fails, or wait for the mirror), then run this again." >&2
    drop_unused_i386
    exit 1
  fi
  if ((${#missing_extras[@]})) && ! install "${missing_extras[@]}"; then
    wine32_install_error="apt could not install 32-bit Wine: $(apt_reason "${missing_extras[@]}")"
    i386_failures=$(grep i386 <<<"$update_failures" || true)
    if [[ -n $i386_failures ]]; then
      wine32_install_error+=" (after a failed index: ${i386_failures//$'\n'/; })"
    fi
  fi
  drop_unused_i386
fi

if [[ "${1:-}" == "--tests" || "${1:-}" == "--bench" ]]; then
  check_wine32
  if [[ -n $wine32_problem ]]; then
    echo "The 32-bit Windows product is not run ($wine32_problem): its Windows tests run on the 64-bit build, the 32-bit one is only built." >&2
  fi
fi

# One locale whose decimal separator is a comma, so the tests can show the
# chosen second survives such a locale.
if [[ "${1:-}" == "--tests" ]] && ! locale -a 2>/dev/null | grep -i '^de_DE\.utf-\?8$' >/dev/null; then
  as_root localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
