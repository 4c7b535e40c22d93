#!/bin/bash
# The program on real headless Wayland desktops, each in a Debian root of its release: GNOME 48
# and KDE Plasma 6.3 (Debian 13), KDE Plasma 5.27 (Debian 12). Prints "wayland (DESKTOP on
# Debian N): passed" for each, or why not. With --startup, instead: bench/wayland_startup.py
# on GNOME. Usage: tests/wayland/run.sh [--startup]   (as root; about 4 GB in build-wayland/)
set -uo pipefail
src="$(cd "$(dirname "$0")/../.." && pwd)"
common=(xdg-desktop-portal xwayland dbus libglib2.0-bin python3 python3-gi python3-xlib zenity
  at-spi2-core python3-pyatspi gir1.2-atspi-2.0)
declare -A packages=(
  [trixie]="gnome-shell mutter xdg-desktop-portal-gnome dconf-cli dconf-gsettings-backend
    gsettings-desktop-schemas kwin-wayland kglobalacceld xdg-desktop-portal-kde qt6-wayland
    plasma-wayland-protocols"
  [bookworm]="kwin-wayland libkf5globalaccel-bin xdg-desktop-portal-kde qtwayland5
    plasma-wayland-protocols")
runs=("trixie 13 gnome" "trixie 13 kde" "bookworm 12 kde")
driver=tests/wayland/session.py
[[ ${1:-} == --startup ]] && runs=("trixie 13 gnome") driver=bench/wayland_startup.py

make_root() {  # RELEASE: the desktops, and the program from this tree built with its own tools
  local root=$src/build-wayland/$1
  [[ -f $root/.made ]] || { rm -rf "$root" && mkdir -p "$root" &&
    debootstrap --variant=minbase "$1" "$root" http://deb.debian.org/debian &&
    touch "$root/.made"; } || return 1
  chroot "$root" apt-get install -y --no-install-recommends "${common[@]}" ${packages[$1]} &&
    rm -rf "$root/opt/minute-alarm" && mkdir -p "$root/opt/minute-alarm" &&
    tar -C "$src" --exclude='./build*' -cf - . | tar -x -C "$root/opt/minute-alarm" &&
    chroot "$root" sh -c 'cd /opt/minute-alarm && ./scripts/deps.sh &&
      cmake -S . -B build -DMINUTE_ALARM_TESTS=OFF && cmake --build build -j2 &&
      cmake --install build --prefix /usr' &&
    # KWin without the file capability that these machines refuse to grant (a copy has none).
    cp "$root/usr/bin/kwin_wayland" "$root/usr/local/bin/"
}

mkdir -p "$src/build-wayland"
command -v debootstrap >/dev/null || apt-get install -y --no-install-recommends debootstrap
status=0
for run in "${runs[@]}"; do
  read -r release version desktop <<<"$run"
  root=$src/build-wayland/$release
  # Made and built once for every desktop of this run.
  [[ -f $root/.ready ]] || make_root "$release" >"$root.log" 2>&1 && touch "$root/.ready" || {
    echo "wayland ($desktop on Debian $version): not run (the root could not be made: build-wayland/$release.log)"
    status=1 && continue
  }
  # Own mount and process namespaces: an empty /run (a /run/systemd would send gnome-shell
  # looking for logind), and nothing left behind.
  out=$(timeout -k 5 300 unshare --mount --pid --fork --mount-proc="$root/proc" sh -c '
    mount --bind /dev "$1/dev"
    for m in tmp run dev/shm; do mount -t tmpfs tmpfs "$1/$m"; done
    mount -t sysfs sys "$1/sys"
    exec chroot "$1" /usr/bin/python3 -B "/opt/minute-alarm/$3" "$2"' \
    sh "$root" "$desktop" "$driver" 2>&1)
  [[ $driver == bench/* ]] && { grep "^start-up" <<<"$out" || echo "${out: -400}"; continue; }
  line=$(grep "^wayland ($desktop)" <<<"$out")
  line=${line:-wayland ($desktop): failed: ${out: -400}}
  echo "${line/($desktop)/($desktop on Debian $version)}"
  [[ $line == *": passed"* ]] || status=1
done
rm -f "$src"/build-wayland/*/.ready
exit $status
