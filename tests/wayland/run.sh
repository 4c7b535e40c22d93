#!/bin/bash
# The program on real Wayland desktops, headless, in a Debian 13 root of its own: the keys
# come as compositor input while a native Wayland window has the focus, so only the desktop
# portal can bring them. Prints one line per desktop: "wayland (gnome): passed" or why not.
# Usage: tests/wayland/run.sh [gnome]   (root; about 1.8 GB in build-wayland/ once)
set -uo pipefail
src="$(cd "$(dirname "$0")/../.." && pwd)"
root="$src/build-wayland/trixie"
desktops=("${@:-gnome}")

packages=(gnome-shell mutter xdg-desktop-portal xdg-desktop-portal-gnome xwayland dbus
  dconf-cli dconf-gsettings-backend libglib2.0-bin gsettings-desktop-schemas
  kwin-wayland kglobalacceld xdg-desktop-portal-kde qt6-wayland
  python3 python3-gi python3-xlib gir1.2-gtk-3.0 at-spi2-core python3-pyatspi gir1.2-atspi-2.0
  git ca-certificates)

make_root() {
  if [[ ! -f $root/.made ]]; then
    rm -rf "$root" && mkdir -p "$root" &&
      debootstrap --variant=minbase trixie "$root" http://deb.debian.org/debian >/dev/null &&
      chroot "$root" apt-get install -y --no-install-recommends "${packages[@]}" >/dev/null &&
      touch "$root/.made" || return 1
  fi
  chroot "$root" apt-get install -y --no-install-recommends "${packages[@]}" >/dev/null || return 1
  # The program from this checkout, built in the root with the release's own tools.
  rm -rf "$root/opt/minute-alarm" && git clone -q "$src" "$root/opt/minute-alarm" &&
    cp -r "$src/tests/wayland" "$root/opt/" &&
    chroot "$root" sh -c 'cd /opt/minute-alarm && ./scripts/deps.sh >/dev/null 2>&1 &&
      cmake -S . -B build -DMINUTE_ALARM_TESTS=OFF >/dev/null && cmake --build build -j2 >/dev/null &&
      cmake --install build --prefix /usr >/dev/null'
}

if ! command -v debootstrap >/dev/null; then
  apt-get install -y --no-install-recommends debootstrap >/dev/null
fi
if ! make_root; then
  for d in "${desktops[@]}"; do echo "wayland ($d): not run (the Debian 13 root could not be made)"; done
  exit 1
fi
status=0
for d in "${desktops[@]}"; do
  # Own mount and process namespaces: an empty /run (a /run/systemd would send gnome-shell
  # looking for logind), and nothing left behind.
  out=$(unshare --mount --pid --fork --mount-proc="$root/proc" sh -c '
    root=$1
    mount --bind /dev "$root/dev"
    for m in tmp run dev/shm; do mount -t tmpfs tmpfs "$root/$m"; done
    mount -t sysfs sys "$root/sys"
    exec chroot "$root" /usr/bin/python3 -B /opt/wayland/session.py "$2"' sh "$root" "$d" 2>&1)
  line=$(grep "^wayland ($d)" <<<"$out")
  echo "${line:-wayland ($d): failed: ${out: -400}}"
  [[ $line == *": passed" ]] || status=1
done
exit $status
