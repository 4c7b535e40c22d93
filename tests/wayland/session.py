#!/usr/bin/python3
"""Inside the Debian 13 root (tests/wayland/run.sh), as root: a headless GNOME or KDE session
(the argument) for a user, a native Wayland window holding the focus, Minute Alarm, and its
keys as real compositor input. Prints "wayland (gnome): passed" (or kde) or the first thing
that went wrong."""
import glob, os, pwd, signal, subprocess, sys, time
sys.path.insert(0, "/opt/minute-alarm/tests")
from harness import wait  # noqa: E402

PROGRAM, APP = "/usr/bin/minute-alarm", "io.github.minutealarm.MinuteAlarm"
KEYSYMS = {"F9": 0xFFC6, "F10": 0xFFC7, "F11": 0xFFC8, "Shift_L": 0xFFE1}
DESKTOP = sys.argv[1] if len(sys.argv) > 1 else "gnome"
procs = []


def spawn(*args, **env):
    procs.append(subprocess.Popen(args, env={**os.environ, **env}, stdout=subprocess.DEVNULL,
                                  stderr=open(f"/tmp/{os.path.basename(args[0])}.log", "w")))
    return procs[-1]


def gdbus(dest, path, method, *args, check=True):
    return subprocess.run(["gdbus", "call", "--session", "-d", dest, "-o", path, "-m", method,
                           *args], capture_output=True, text=True, check=check).returncode == 0


class Keys:  # Mutter's remote desktop, on a connection that lives as long as its session
    def __init__(self):
        from gi.repository import Gio, GLib
        self.bus, self.variant = Gio.bus_get_sync(Gio.BusType.SESSION), GLib.Variant
        self.session = self.bus.call_sync(
            "org.gnome.Mutter.RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop",
            "org.gnome.Mutter.RemoteDesktop", "CreateSession", None, None, 0, -1, None)[0]
        self.call("Start")
        self.tap("Shift_L")  # the compositor has no keyboard before its first key

    def call(self, method, *args):
        self.bus.call_sync("org.gnome.Mutter.RemoteDesktop", self.session,
                           "org.gnome.Mutter.RemoteDesktop.Session", method,
                           self.variant("(ub)", args) if args else None, None, 0, -1, None)

    def tap(self, name, hold=0.05):
        self.call("NotifyKeyboardKeysym", KEYSYMS[name], True)
        time.sleep(hold)
        self.call("NotifyKeyboardKeysym", KEYSYMS[name], False)
        time.sleep(0.15)


def x_window(displays=[]):  # the program's window on Xwayland (in frames): its title, closing
    from Xlib import X, display, error
    from Xlib.protocol import event
    displays or displays.append(display.Display())  # one connection for every look
    d = displays[0]
    name, protocols, delete = (d.intern_atom(n) for n in
                               ("_NET_WM_NAME", "WM_PROTOCOLS", "WM_DELETE_WINDOW"))
    def tree(w):
        return [w] + [d for c in w.query_tree().children for d in tree(c)]
    try:  # windows come and go meanwhile: then look again
        ours = [w for w in tree(d.screen().root) if (w.get_wm_class() or [""])[0] == "minute-alarm"
                and w.get_attributes().map_state == X.IsViewable]
    except error.BadWindow:
        return None
    for w in ours:
            def close():
                w.send_event(event.ClientMessage(window=w, client_type=protocols,
                                                 data=(32, [delete, X.CurrentTime, 0, 0, 0])))
                d.flush()
            return lambda: w.get_full_property(name, X.AnyPropertyType).value.decode(), close
    return None


def chosen(pid):  # the chosen second, read through AT-SPI
    import pyatspi

    def walk(acc):
        if acc.getRoleName() == "text":
            yield acc.queryText().getText(0, -1)
        for child in acc:
            yield from walk(child)
    return next((t for app in pyatspi.Registry.getDesktop(0)
                 if app and app.get_process_id() == pid for t in walk(app)), None)


class FakeKeys:  # KWin's fake input (tests/wayland/fake_keys.c), evdev codes
    def tap(self, name, hold=0.05):
        code = {"F9": 67, "F10": 68, "F11": 87}[name]
        subprocess.run(["/usr/local/bin/fake_keys", str(code), str(int(hold * 1000))], check=True)
        time.sleep(0.15)


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
    os.environ.update(XDG_CURRENT_DESKTOP="KDE", XDG_SESSION_TYPE="wayland",
                      WAYLAND_DISPLAY="wayland-0", QT_QPA_PLATFORM="wayland",
                      KWIN_WAYLAND_NO_PERMISSION_CHECKS="1")  # fake input for our tool
    spawn("/usr/local/bin/kwin_wayland", "--virtual", "--no-lockscreen", "--xwayland",
          "--width", "1280", "--height", "720", "--socket", "wayland-0")
    run = os.environ["XDG_RUNTIME_DIR"]
    wait(lambda: os.path.exists(f"{run}/wayland-0"), 60, "KWin")
    start_portal("WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP", "XDG_SESSION_TYPE", "QT_QPA_PLATFORM")
    return FakeKeys(), lambda: None


def shell():
    os.environ.update(XDG_CURRENT_DESKTOP="GNOME", XDG_SESSION_TYPE="wayland",
                      WAYLAND_DISPLAY="wayland-0")
    spawn("gnome-shell", "--headless", "--wayland", "--virtual-monitor", "1280x720")
    overview = ("org.gnome.Shell", "/org/gnome/Shell", "org.freedesktop.DBus.Properties.Set",
                "org.gnome.Shell", "OverviewActive", "<false>")  # no shortcut works there
    wait(lambda: gdbus(*overview, check=False), 60, "the shell")
    start_portal("WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP", "XDG_SESSION_TYPE")
    os.environ["XAUTHORITY"] = wait(lambda: glob.glob(
        os.environ["XDG_RUNTIME_DIR"] + "/.mutter-Xwaylandauth.*"), 10, "Xwayland's cookie")[0]
    # The keys stored as for a user who added them once: GNOME does not ask again.
    subprocess.run(["dconf", "write", "/org/gnome/settings-daemon/global-shortcuts/applications",
                    f"['{APP}']"], check=True)
    stored = ", ".join(f"('{i}', {{'description': <'Minute Alarm hot key {k}'>, 'shortcuts': <['{k}']>}})"
                       for i, k in (("1", "F11"), ("2", "F9"), ("3", "F10")))
    subprocess.run(["dconf", "write", f"/org/gnome/settings-daemon/global-shortcuts/{APP}/"
                    "shortcuts", f"[{stored}]"], check=True)
    return Keys(), lambda: gdbus(*overview)


def main():
    signal.signal(signal.SIGALRM, lambda *_: (_ for _ in ()).throw(TimeoutError("3 minutes")))
    signal.alarm(180)
    keys, settle = shell() if DESKTOP == "gnome" else kde()
    for _ in (1, 2):  # a second start binds again
        prog = spawn(PROGRAM)
        title, close = wait(x_window, 40, "the program's window")
        focus = spawn("/usr/bin/python3", "-c", "import gi; gi.require_version('Gtk', '3.0');"
                      "from gi.repository import Gtk; w = Gtk.Window(title='focus');"
                      "w.add(Gtk.Entry()); w.show_all(); w.present(); Gtk.main()",
                      GDK_BACKEND="wayland")
        time.sleep(2)
        settle()
        time.sleep(1)
        start = int(wait(lambda: chosen(prog.pid), 20, "the chosen second"))
        keys.tap("F11")
        wait(lambda: title().isdigit(), 3, "a count in the title after F11")
        keys.tap("F10", hold=2.0)
        raised = int(wait(lambda: chosen(prog.pid), 5, "the chosen second"))
        keys.tap("F9")
        lowered = int(wait(lambda: chosen(prog.pid) != str(raised) and chosen(prog.pid), 3,
                           "F9's change"))
        keys.tap("F11")
        stopped = title()
        time.sleep(1.5)
        assert raised >= start + 3, f"F10 held 2 s: {start} -> {raised}"
        assert lowered == raised - 1, f"F9: {raised} -> {lowered}"
        assert title() == stopped, "F11 did not stop the count"
        close()
        assert prog.wait(10) == 0, f"exit status {prog.returncode} after closing"
        focus.terminate()
    print(f"wayland ({DESKTOP}): passed")


def as_user():  # a system bus and a user's session on it, as a login would give
    os.makedirs("/run/dbus", exist_ok=True)
    subprocess.run(["dbus-daemon", "--system", "--fork"], check=True)
    if subprocess.run(["id", "tester"], capture_output=True).returncode:
        subprocess.run(["useradd", "-m", "tester"], check=True)
    pw = pwd.getpwnam("tester")
    run = f"/run/user/{pw.pw_uid}"
    os.makedirs(run, mode=0o700, exist_ok=True)
    os.chown(run, pw.pw_uid, pw.pw_gid)
    os.chmod("/tmp", 0o1777)
    os.makedirs("/tmp/.X11-unix", exist_ok=True)  # Xwayland's sockets, made by root
    os.chmod("/tmp/.X11-unix", 0o1777)
    env = dict(HOME=pw.pw_dir, USER="tester", XDG_RUNTIME_DIR=run, PATH="/usr/bin:/bin",
               LANG="C.UTF-8")
    sys.exit(subprocess.run(["setpriv", f"--reuid={pw.pw_uid}", f"--regid={pw.pw_gid}",
                             "--init-groups", "dbus-run-session", "--", "/usr/bin/python3", "-B",
                             __file__, DESKTOP], env=env).returncode)


if __name__ == "__main__":
    try:
        main() if os.getuid() else as_user()
    except Exception as e:  # noqa: BLE001 - the line says why, the logs say more
        print(f"wayland ({DESKTOP}): failed: {e!r}")
        for log in glob.glob("/tmp/*.log"):
            print(f"--- {log}:", open(log).read()[-1500:], file=sys.stderr)
    finally:
        for p in procs:
            p.kill()
