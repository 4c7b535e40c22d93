#!/bin/bash
# The program on real Wayland desktops, headless GNOME 48 and KDE Plasma 6.3, in a Debian 13
# root of its own: the keys come as compositor input while a native Wayland window has the
# focus, so only the desktop portal can bring them. Prints "wayland (gnome): passed" and
# "wayland (kde): passed", or why not.
# Usage: tests/wayland/run.sh   (as root; about 1.8 GB in build-wayland/, made once)
set -uo pipefail
src="$(cd "$(dirname "$0")/../.." && pwd)"
root="$src/build-wayland/trixie"
packages=(gnome-shell mutter xdg-desktop-portal xdg-desktop-portal-gnome xwayland dbus
  dconf-cli dconf-gsettings-backend libglib2.0-bin gsettings-desktop-schemas python3
  python3-gi python3-xlib gir1.2-gtk-3.0 at-spi2-core python3-pyatspi gir1.2-atspi-2.0 git
  ca-certificates kwin-wayland kglobalacceld xdg-desktop-portal-kde qt6-wayland
  plasma-wayland-protocols libwayland-dev)

make_root() {
  command -v debootstrap >/dev/null || apt-get install -y --no-install-recommends debootstrap
  if [[ ! -f $root/.made ]]; then
    rm -rf "$root" && mkdir -p "$root" &&
      debootstrap --variant=minbase trixie "$root" http://deb.debian.org/debian &&
      touch "$root/.made" || return 1
  fi
  chroot "$root" apt-get install -y --no-install-recommends "${packages[@]}" &&
    # The program from this checkout, built and installed in the root with its own tools.
    rm -rf "$root/opt/minute-alarm" && git clone -q "$src" "$root/opt/minute-alarm" &&
    chroot "$root" sh -c 'cd /opt/minute-alarm && ./scripts/deps.sh &&
      cmake -S . -B build -DMINUTE_ALARM_TESTS=OFF && cmake --build build -j2 &&
      cmake --install build --prefix /usr' &&
    # KWin's fake input, for the keys; and KWin without the file capability that these
    # machines refuse to grant (a copy does not carry it).
    chroot "$root" sh -c 'cd /tmp && x=/usr/share/plasma-wayland-protocols/fake-input.xml &&
      wayland-scanner client-header $x fake-input-client-protocol.h &&
      wayland-scanner private-code $x fake-input.c &&
      cc -I. -o /usr/local/bin/fake_keys /opt/minute-alarm/tests/wayland/fake_keys.c fake-input.c \
        -lwayland-client && cp /usr/bin/kwin_wayland /usr/local/bin/'
}

if ! make_root >"$src/build-wayland/root.log" 2>&1; then
  echo "wayland: not run (the Debian 13 root could not be made: build-wayland/root.log)"
  exit 1
fi
status=0
for desktop in gnome kde; do
  # Own mount and process namespaces: an empty /run (a /run/systemd would send gnome-shell
  # looking for logind), and nothing left behind.
  out=$(timeout -k 5 240 unshare --mount --pid --fork --mount-proc="$root/proc" sh -c '
    mount --bind /dev "$1/dev"
    for m in tmp run dev/shm; do mount -t tmpfs tmpfs "$1/$m"; done
    mount -t sysfs sys "$1/sys"
    exec chroot "$1" /usr/bin/python3 -B /opt/minute-alarm/tests/wayland/session.py "$2"' \
    sh "$root" "$desktop" 2>&1)
  line=$(grep "^wayland ($desktop)" <<<"$out")
  echo "${line:-wayland ($desktop): failed: ${out: -400}}"
  [[ $line == *": passed" ]] || status=1
done
exit $status
