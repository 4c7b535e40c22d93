#!/usr/bin/python3
"""Inside a Debian root of tests/wayland/run.sh, as root: a headless desktop (the argument:
gnome or kde) for a user, Minute Alarm, a native Wayland window holding the focus, and the keys
as the compositor's own input. Prints "wayland (DESKTOP): passed" or what went wrong."""
import glob, os, pwd, shutil, signal, struct, subprocess, sys, time
sys.path.insert(0, "/opt/minute-alarm/tests")
from harness import texts, wait  # noqa: E402

PROGRAM, APP = "/usr/bin/minute-alarm", "io.github.minutealarm.MinuteAlarm"
DESCRIPTIONS = ("Start or stop the count", "Lower the alarm second", "Raise the alarm second")
DESKTOP = sys.argv[1]


def spawn(*args, **env):  # a variable given as None is unset; all end with run.sh's namespace
    return subprocess.Popen(args, env={k: v for k, v in {**os.environ, **env}.items() if v},
                            stdout=subprocess.DEVNULL,
                            stderr=open(f"/tmp/{os.path.basename(args[0])}.log", "a"))


def gdbus(dest, path, method, *args, check=True):
    return subprocess.run(["gdbus", "call", "--session", "-d", dest, "-o", path, "-m", method,
                           *args], capture_output=True, text=True, check=check).returncode == 0


class Keys:
    def press(self, *chord, hold=0.05):
        for down in (1, 0):
            for key in chord if down else reversed(chord):
                self.key(key, down)
                time.sleep(hold if key == chord[-1] and down else 0.01)
        time.sleep(0.15)


class MutterKeys(Keys):  # GNOME: Mutter's remote desktop, its session as long as our connection
    KEYSYMS = {"F4": 0xFFC1, "F9": 0xFFC6, "F10": 0xFFC7, "F11": 0xFFC8, "Shift_L": 0xFFE1,
               "Alt_L": 0xFFE9, "a": 0x61}

    def __init__(self):
        from gi.repository import Gio, GLib
        bus = Gio.bus_get_sync(Gio.BusType.SESSION)  # held here: the session dies with it
        self.call = lambda path, method, args=None, interface="": bus.call_sync(
            "org.gnome.Mutter.RemoteDesktop", path, "org.gnome.Mutter.RemoteDesktop" + interface,
            method, args and GLib.Variant("(ub)", args), None, 0, -1, None)
        self.session = self.call("/org/gnome/Mutter/RemoteDesktop", "CreateSession")[0]
        self.call(self.session, "Start", interface=".Session")
        self.press("Shift_L")  # the compositor has no keyboard before its first key

    def key(self, key, down):
        self.call(self.session, "NotifyKeyboardKeysym", (self.KEYSYMS[key], bool(down)), ".Session")


class KWinKeys(Keys):  # KDE: KWin's fake input protocol, spoken on the Wayland socket; evdev codes
    CODES = {"F4": 62, "F9": 67, "F10": 68, "F11": 87, "Alt_L": 56, "a": 30}

    def __init__(self):
        import socket, xml.etree.ElementTree as ET
        xml = ET.parse("/usr/share/plasma-wayland-protocols/fake-input.xml")
        self.op = {r.get("name"): i for i, r in enumerate(xml.iter("request"))}
        self.sock = socket.socket(socket.AF_UNIX)
        self.sock.connect(os.environ["XDG_RUNTIME_DIR"] + "/wayland-0")
        self.send(1, 1, 2)  # wl_display.get_registry: object 2
        self.send(1, 0, 3)  # wl_display.sync: callback 3 is done once every global is named
        data, name, done = b"", None, False
        while not done:
            data += self.sock.recv(4096)
            while len(data) >= 8 and len(data) >= (size := struct.unpack("<I", data[4:8])[0] >> 16):
                obj, message, data = struct.unpack("<I", data[:4])[0], data[:size], data[size:]
                done |= obj == 3
                if obj == 2 and b"org_kde_kwin_fake_input\0" in message:  # wl_registry.global
                    name = struct.unpack("<I", message[8:12])[0]
        assert name is not None, "KWin offers no fake input"
        self.send(2, 0, name, "org_kde_kwin_fake_input", 4, 4)  # bound as object 4
        self.send(4, self.op["authenticate"], "minute-alarm tests", "keys for the tests")

    def send(self, obj, opcode, *args):
        body = b"".join(struct.pack("<I", a) if isinstance(a, int) else struct.pack(
            "<I", len(a) + 1) + a.encode() + bytes(4 - len(a) % 4) for a in args)
        self.sock.sendall(struct.pack("<II", obj, (len(body) + 8) << 16 | opcode) + body)

    def key(self, key, down):
        self.send(4, self.op["keyboard_key"], self.CODES[key], down)


def start_portal(*variables):
    # Woken by the compositor before its services were up; the back ends, which the bus
    # starts, need the display as a session manager would have told the bus.
    gdbus("org.freedesktop.DBus", "/org/freedesktop/DBus",
          "org.freedesktop.DBus.UpdateActivationEnvironment",
          str({k: os.environ[k] for k in variables}))
    subprocess.run(["pkill", "-f", "xdg-desktop-portal"])
    if DESKTOP == "gnome":
        spawn("/usr/libexec/xdg-desktop-portal-gnome", "--replace")
        time.sleep(1)
    spawn("/usr/libexec/xdg-desktop-portal", "--replace")
    wait(lambda: gdbus("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                       "org.freedesktop.DBus.Properties.Get",
                       "org.freedesktop.portal.GlobalShortcuts", "version", check=False),
         20, "the portal")
    time.sleep(2)
    os.environ["DISPLAY"] = ":" + str(min(int(s.rsplit("X", 1)[1]) for s in wait(
        lambda: glob.glob("/tmp/.X11-unix/X*"), 30, "the X socket")))  # the public one


def kde():
    os.environ.update(XDG_CURRENT_DESKTOP="KDE", QT_QPA_PLATFORM="wayland",
                      KWIN_WAYLAND_NO_PERMISSION_CHECKS="1")  # fake input for our keys
    spawn("/usr/local/bin/kwin_wayland", "--virtual", "--no-lockscreen", "--xwayland",
          "--width", "1280", "--height", "720", "--socket", "wayland-0")
    wait(lambda: os.path.exists(os.environ["XDG_RUNTIME_DIR"] + "/wayland-0"), 60, "KWin")
    start_portal("WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP", "XDG_SESSION_TYPE", "QT_QPA_PLATFORM")
    return KWinKeys(), lambda: None


def gnome():
    os.environ.update(XDG_CURRENT_DESKTOP="GNOME")
    spawn("gnome-shell", "--headless", "--wayland", "--virtual-monitor", "1280x720")
    overview = ("org.gnome.Shell", "/org/gnome/Shell", "org.freedesktop.DBus.Properties.Set",
                "org.gnome.Shell", "OverviewActive", "<false>")  # no shortcut works there
    wait(lambda: gdbus(*overview, check=False), 60, "the shell")
    start_portal("WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP", "XDG_SESSION_TYPE")
    return MutterKeys(), lambda: gdbus(*overview)


def stored():  # whether GNOME holds the keys the user added
    return APP in subprocess.run(["dconf", "read", "/org/gnome/settings-daemon/global-shortcuts/"
                                  "applications"], capture_output=True, text=True).stdout


def main():
    signal.signal(signal.SIGALRM, lambda *_: (_ for _ in ()).throw(TimeoutError("4 minutes")))
    signal.alarm(240)
    keys, settle = gnome() if DESKTOP == "gnome" else kde()
    for first in (True, False):  # a second start binds again
        # The window is the desktop's own: the first start has no X server to turn to.
        prog = spawn(PROGRAM, DISPLAY=None if first else os.environ["DISPLAY"])
        if DESKTOP == "gnome" and not stored():
            # GNOME asks once, in a dialog that has the keys once the shell leaves its overview,
            # and lists them by what they do.
            listed = wait(lambda: {t for app in texts() if "shortcuts" in app.name
                                   for t in texts(app.get_process_id(), "list item")}, 20, "dialog")
            assert listed == set(DESCRIPTIONS), listed
            wait(lambda: [settle(), keys.press("Alt_L", "a")] and stored(), 20,
                 "the keys stored after Add (Alt+A)")
        title = lambda: (texts(prog.pid, "frame") or [""])[0]
        wait(title, 40, "the program's window")
        focus = spawn("zenity", "--entry", GDK_BACKEND="wayland")  # a native window, a text box
        time.sleep(2)
        settle()
        time.sleep(1)
        chosen = lambda: (texts(prog.pid, "text") or [None])[0]
        start = int(wait(chosen, 20, "the chosen second"))
        keys.press("F11")
        wait(lambda: title().isdigit(), 3, "a count in the title after F11")
        keys.press("F10", hold=2.0)
        raised = int(wait(chosen, 5, "the chosen second"))
        keys.press("F9")
        lowered = int(wait(lambda: chosen() != str(raised) and chosen(), 3, "F9's change"))
        keys.press("F11")
        stopped = title()
        time.sleep(1.5)
        assert (raised >= start + 3, lowered, title()) == (True, raised - 1, stopped), \
            f"from {start}: F10 held 2 s {raised}, F9 {lowered}; F11 stopped {stopped}, {title()}"
        focus.kill()  # the focus goes back to the program's window, which Alt+F4 closes
        time.sleep(1)
        keys.press("Alt_L", "F4")
        assert prog.wait(10) == 0, f"exit status {prog.returncode} after closing"
    print(f"wayland ({DESKTOP}): passed")


def as_user(script=__file__):  # a system bus and a user's session on it, as a login gives
    subprocess.run("mkdir -p /run/dbus /tmp/.X11-unix && chmod 1777 /tmp /tmp/.X11-unix && "
                   "dbus-daemon --system --fork && { id tester || useradd -m tester; }",
                   shell=True, check=True, capture_output=True)  # the X sockets' folder is root's
    pw = pwd.getpwnam("tester")
    shutil.rmtree(pw.pw_dir + "/.config", ignore_errors=True)  # nothing stored by an earlier run
    os.makedirs(run := f"/run/user/{pw.pw_uid}", mode=0o700)
    os.chown(run, pw.pw_uid, pw.pw_gid)
    env = dict(HOME=pw.pw_dir, USER="tester", XDG_RUNTIME_DIR=run, PATH="/usr/bin:/bin",
               LANG="C.UTF-8", XDG_SESSION_TYPE="wayland", WAYLAND_DISPLAY="wayland-0")
    sys.exit(subprocess.run(["setpriv", f"--reuid={pw.pw_uid}", f"--regid={pw.pw_gid}",
                             "--init-groups", "dbus-run-session", "--", "/usr/bin/python3", "-B",
                             script, DESKTOP], env=env).returncode)


if __name__ == "__main__":
    try:
        main() if os.getuid() else as_user()
    except Exception as e:  # noqa: BLE001 - the line says why, the logs say more
        print(f"wayland ({DESKTOP}): failed: {e!r}")
        for log in glob.glob("/tmp/*.log"):
            print(f"--- {log}:", open(log).read()[-1500:], file=sys.stderr)
