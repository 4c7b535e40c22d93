#!/usr/bin/python3
"""Inside the Debian 13 root (tests/wayland/run.sh): a headless desktop session, a native
Wayland window holding the focus, Minute Alarm, and its keys as real compositor input.
Prints "wayland (DESKTOP): passed" or the first thing that went wrong."""
import glob, os, pwd, signal, subprocess, sys, time

DESKTOP = sys.argv[1]
PROGRAM = "/usr/bin/minute-alarm"  # installed: the portal knows it by its desktop file
KEYSYMS = {"F9": 0xFFC6, "F10": 0xFFC7, "F11": 0xFFC8, "Shift_L": 0xFFE1, "Alt_L": 0xFFE9,
           "a": 0x61}
procs = []


def say(text):
    print(f"{time.monotonic():.1f} {text}", file=sys.stderr, flush=True)


def wait(get, timeout, what):
    say(f"waiting for {what}")
    end = time.monotonic() + timeout
    while not (value := get()):
        if time.monotonic() > end:
            raise TimeoutError(f"no {what} after {timeout} s")
        time.sleep(0.1)
    return value


def spawn(*args, **env):
    procs.append(subprocess.Popen(args, env={**os.environ, **env}, stdout=subprocess.DEVNULL,
                                  stderr=open(f"/tmp/{os.path.basename(args[0])}.log", "w")))
    return procs[-1]


def gdbus(dest, path, method, *args):
    return subprocess.run(["gdbus", "call", "--session", "-d", dest, "-o", path, "-m", method,
                           *args], capture_output=True, text=True, check=True).stdout


class Keys:  # Mutter's remote desktop, on a connection that lives as long as its session
    def __init__(self):
        from gi.repository import Gio, GLib
        self.bus, self.v = Gio.bus_get_sync(Gio.BusType.SESSION), GLib.Variant
        self.session = self.bus.call_sync(
            "org.gnome.Mutter.RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop",
            "org.gnome.Mutter.RemoteDesktop", "CreateSession", None, None, 0, -1, None)[0]
        self.call("Start")
        self.tap("Shift_L")  # the compositor has no keyboard before its first key

    def call(self, method, *args):
        self.bus.call_sync("org.gnome.Mutter.RemoteDesktop", self.session,
                           "org.gnome.Mutter.RemoteDesktop.Session", method,
                           self.v("(ub)", args) if args else None, None, 0, -1, None)

    def key(self, name, down):
        self.call("NotifyKeyboardKeysym", KEYSYMS[name], down)

    def tap(self, *names, hold=0.0):
        for n in names:
            self.key(n, True)
        time.sleep(hold or 0.05)
        for n in reversed(names):
            self.key(n, False)
        time.sleep(0.15)


def x_window():  # the program's window on XWayland: its title, and how to close it
    from Xlib import X, display
    from Xlib.protocol import event
    d = display.Display(os.environ["DISPLAY"])
    name, protocols, delete = (d.intern_atom(n) for n in
                               ("_NET_WM_NAME", "WM_PROTOCOLS", "WM_DELETE_WINDOW"))
    tops = d.screen().root.query_tree().children
    for w in tops + [c for t in tops for c in t.query_tree().children]:  # framed, or not
        cls = w.get_wm_class()
        if cls and cls[0] == "minute-alarm" and w.get_attributes().map_state == X.IsViewable:
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
    for app in pyatspi.Registry.getDesktop(0):
        if app and app.get_process_id() == pid:
            return next(walk(app), None)
    return None


def gnome():
    os.environ.update(XDG_CURRENT_DESKTOP="GNOME", XDG_SESSION_TYPE="wayland")
    spawn("gnome-shell", "--headless", "--wayland", "--virtual-monitor", "1280x720")
    wait(lambda: os.path.exists(os.environ["XDG_RUNTIME_DIR"] + "/wayland-0"), 60, "compositor")
    wait(lambda: subprocess.run(["gdbus", "call", "--session", "-d", "org.gnome.Shell", "-o",
                                 "/org/gnome/Shell", "-m", "org.freedesktop.DBus.Properties.Set",
                                 "org.gnome.Shell", "OverviewActive", "<false>"],
                                capture_output=True).returncode == 0, 30, "shell")
    os.environ["WAYLAND_DISPLAY"] = "wayland-0"
    # The shell may have woken the portals before its own services were up, and GNOME's
    # offers global shortcuts only when it finds them: both start afresh.
    # Services the bus starts (the shortcuts dialog among them) need the display, as a session
    # manager would have told the bus.
    env = {k: os.environ[k] for k in ("WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP", "XDG_SESSION_TYPE")}
    gdbus("org.freedesktop.DBus", "/org/freedesktop/DBus",
          "org.freedesktop.DBus.UpdateActivationEnvironment", str(env))
    subprocess.run(["pkill", "-f", "xdg-desktop-portal"])
    spawn("/usr/libexec/xdg-desktop-portal-gnome", "--replace")
    time.sleep(1)
    spawn("/usr/libexec/xdg-desktop-portal", "--replace")
    wait(lambda: subprocess.run(["gdbus", "call", "--session", "-d", "org.freedesktop.portal.Desktop",
                                 "-o", "/org/freedesktop/portal/desktop", "-m",
                                 "org.freedesktop.DBus.Properties.Get",
                                 "org.freedesktop.portal.GlobalShortcuts", "version"],
                                capture_output=True).returncode == 0, 20, "the portal")
    time.sleep(2)  # the services it woke settle
    if os.environ.get("WAYLAND_DEBUG_BUS"):
        procs.append(subprocess.Popen(["dbus-monitor", "--session"], stdout=open(
            "/opt/wayland/monitor.log", "w"), stderr=subprocess.DEVNULL))
    return Keys()


def main():
    signal.signal(signal.SIGALRM, lambda *_: (_ for _ in ()).throw(TimeoutError("3 minutes")))
    signal.alarm(180)
    if DESKTOP != "gnome":  # KWin takes input only through its own fake-input protocol
        print(f"wayland ({DESKTOP}): not run: no way to send it keys here yet")
        return
    keys = gnome()
    sockets = wait(lambda: glob.glob("/tmp/.X11-unix/X*"), 30, "X socket")
    os.environ["DISPLAY"] = ":" + str(min(int(s.rsplit("X", 1)[1]) for s in sockets))  # public
    if DESKTOP == "gnome":  # mutter's Xwayland lets in only who holds its cookie
        os.environ["XAUTHORITY"] = wait(lambda: glob.glob(
            os.environ["XDG_RUNTIME_DIR"] + "/.mutter-Xwaylandauth.*"), 10, "Xwayland cookie")[0]
    if DESKTOP == "gnome":
        # The keys as a user who added them once has them stored; GNOME asks no more.
        app = "io.github.minutealarm.MinuteAlarm"
        subprocess.run(["dconf", "write", "/org/gnome/settings-daemon/global-shortcuts/applications",
                        f"['{app}']"], check=True)
        stored = ", ".join(f"('{i}', {{'shortcuts': <['{k}']>}})"
                           for i, k in (("1", "F11"), ("2", "F9"), ("3", "F10")))
        subprocess.run(["dconf", "write", f"/org/gnome/settings-daemon/global-shortcuts/{app}/"
                        "shortcuts", f"[{stored}]"], check=True)
    for attempt in (1, 2):  # a second start binds again
        prog = spawn(PROGRAM)
        title, close = wait(x_window, 40, "the program's window")
        focus = spawn("/usr/bin/python3", "-c", "import gi; gi.require_version('Gtk', '3.0');"
                      "from gi.repository import Gtk; w = Gtk.Window(title='focus');"
                      "w.add(Gtk.Entry()); w.show_all(); w.present(); Gtk.main()",
                      GDK_BACKEND="wayland")
        time.sleep(2)
        if DESKTOP == "gnome":  # the shell opens in its overview, where no shortcut works
            gdbus("org.gnome.Shell", "/org/gnome/Shell", "org.freedesktop.DBus.Properties.Set",
                  "org.gnome.Shell", "OverviewActive", "<false>")
            time.sleep(1)
        start = wait(lambda: chosen(prog.pid), 20, "the chosen second")
        say(f"chosen {start}; F11")
        keys.tap("F11")
        wait(lambda: (title() or "").isdigit(), 3, "a count in the title after F11")
        keys.tap("F10", hold=2.0)
        raised = int(wait(lambda: chosen(prog.pid), 5, "the chosen second"))
        keys.tap("F9")
        lowered = int(wait(lambda: chosen(prog.pid) != str(raised) and chosen(prog.pid), 3,
                           "F9's change"))
        keys.tap("F11")
        first = title()
        time.sleep(1.5)
        assert raised >= int(start) + 3, f"F10 held 2 s: {start} -> {raised}"
        assert lowered == raised - 1, f"F9: {raised} -> {lowered}"
        assert title() == first, "F11 did not stop the count"
        close()
        assert prog.wait(10) == 0, f"exit status {prog.returncode} after closing"
        focus.terminate()
    print(f"wayland ({DESKTOP}): passed")


def as_user():
    if os.getuid() != 0:
        return main()
    os.makedirs("/run/dbus", exist_ok=True)
    subprocess.run(["dbus-daemon", "--system", "--fork"], check=True)
    user = "tester"
    if subprocess.run(["id", user], capture_output=True).returncode:
        subprocess.run(["useradd", "-m", user], check=True)
    pw = pwd.getpwnam(user)
    run = f"/run/user/{pw.pw_uid}"
    os.makedirs(run, exist_ok=True)
    os.chown(run, pw.pw_uid, pw.pw_gid)
    os.chmod(run, 0o700)
    os.chmod("/tmp", 0o1777)
    os.makedirs("/tmp/.X11-unix", mode=0o1777, exist_ok=True)  # Xwayland's sockets, as root makes it
    os.chmod("/tmp/.X11-unix", 0o1777)
    env = dict(WAYLAND_DEBUG_BUS=os.environ.get("WAYLAND_DEBUG_BUS", ""), HOME=pw.pw_dir, USER=user, XDG_RUNTIME_DIR=run, PATH="/usr/bin:/bin",
               LANG="C.UTF-8", NO_AT_BRIDGE="0")
    sys.exit(subprocess.run(["setpriv", f"--reuid={pw.pw_uid}", f"--regid={pw.pw_gid}",
                             "--init-groups", "dbus-run-session", "--", "/usr/bin/python3", "-B",
                             __file__, DESKTOP], env=env).returncode)


if __name__ == "__main__":
    try:
        as_user()
    except Exception as e:  # noqa: BLE001 - the line says why
        print(f"wayland ({DESKTOP}): failed: {e!r}")
        for log in glob.glob("/tmp/*.log"):
            print(f"--- {log}:", open(log).read()[-1500:], file=sys.stderr)
    finally:
        for p in procs:
            p.kill()
