"""A private desktop for the black-box tests and the benchmark: an X server, a session bus, a
sound server with a null sink, a recorder on its output; programs watched from outside."""
import array, contextlib, os, shutil, signal, subprocess, tempfile, threading, time
from Xlib import X, XK, display, error
from Xlib.protocol import event

RATE = 44100


def wait(get, timeout, what):  # what: a text, or what makes one when the time is up
    end = time.monotonic() + timeout
    while not (value := get()):
        if time.monotonic() > end:
            raise TimeoutError(f"no {what() if callable(what) else what} after {timeout} s")
        time.sleep(0.01)
    return value


def texts(pid=None, role=None, name=False):
    """Through AT-SPI, a program's texts of one role: a "text" box's text (or name), the name of
    anything else (a label's text, a frame's title); without a program, the programs there."""
    import pyatspi

    def walk(acc):
        if acc.getRoleName() == role:
            yield acc.queryText().getText(0, -1) if role == "text" and not name else acc.name
        for child in acc:
            yield from walk(child)
    apps = [app for app in pyatspi.Registry.getDesktop(0) if app]
    return [t for app in apps if app.get_process_id() == pid for t in walk(app)] if pid else apps


class Desktop:
    def __init__(self):
        self.tmp, self.procs = tempfile.mkdtemp(prefix="minute-alarm-"), []
        os.mkdir(run := os.path.join(self.tmp, "run"), 0o700)
        self.env = {k: v for k, v in os.environ.items() if not k.startswith(("WAYLAND", "XDG_"))}
        self.env.update(HOME=self.tmp, XDG_RUNTIME_DIR=run, LANG="C.UTF-8", LC_ALL="C.UTF-8",
                        NO_AT_BRIDGE="0", GDK_BACKEND="x11")
        self.env["DISPLAY"] = ":" + self._address("Xvfb", "-displayfd", "{}", "-nolisten", "tcp")
        self.xvfb = self.procs[-1]
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self._address(
            "dbus-daemon", "--session", "--nofork", "--print-address={}")
        self.start_sound()
        os.environ.update({k: self.env[k] for k in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS")})
        self.x = display.Display()
        self.root = self.x.screen().root

    def _address(self, *args):  # of a server that writes it to a descriptor of ours
        read, write = os.pipe()
        self.spawn(*[a.replace("{}", str(write)) for a in args], pass_fds=(write,))
        os.close(write)
        with os.fdopen(read) as f:
            return f.readline().strip()

    def spawn(self, *args, pass_fds=(), stdout=None, **env):
        log = open(os.path.join(self.tmp, f"{len(self.procs)}.log"), "w+")
        self.procs.append(subprocess.Popen(args, env={**self.env, **env}, stdout=stdout or log,
                                           stderr=log, pass_fds=pass_fds, start_new_session=True))
        self.procs[-1].log = log.name
        return self.procs[-1]

    def stop(self, proc, sig=signal.SIGTERM):
        for s in (sig, signal.SIGKILL):
            with contextlib.suppress(ProcessLookupError, subprocess.TimeoutExpired):
                os.killpg(proc.pid, s)
                return proc.wait(5)

    def start_sound(self):
        socket, conf = os.path.join(self.tmp, "pulse"), os.path.join(self.tmp, "pulse.pa")
        with open(conf, "w") as f:
            f.write(f"load-module module-native-protocol-unix socket={socket} auth-anonymous=1\n"
                    "load-module module-null-sink sink_name=null\nset-default-sink null\n"
                    "set-default-source null.monitor\n")  # so no recorder follows a new default
        self.env["PULSE_SERVER"] = "unix:" + socket
        self.pulse = self.spawn("pulseaudio", "-n", "-F", conf, "--exit-idle-time=-1")
        wait(lambda: self.pactl("info"), 10, "sound server")

    def pactl(self, *args):
        return subprocess.run(["pactl", *args], env=self.env, capture_output=True).returncode == 0

    def close(self):
        for proc in reversed(self.procs):
            self.stop(proc)
        shutil.rmtree(self.tmp, ignore_errors=True)

    def xdotool(self, *args):
        subprocess.run(["xdotool", *args], env=self.env, check=True)

    def keys(self, *keys, delay=40):
        self.xdotool("key", "--delay", str(delay), *keys)

    def title(self, win):
        with contextlib.suppress(error.BadWindow):
            name = win.get_full_property(self.x.intern_atom("_NET_WM_NAME"), X.AnyPropertyType)
            return name.value.decode() if name else ""

    def windows(self, pid=None, title=None):
        """Viewable top-level windows, those of a process or with a title when given."""
        found = []
        for win in self.root.query_tree().children:
            with contextlib.suppress(error.BadWindow):
                owner = win.get_full_property(self.x.intern_atom("_NET_WM_PID"), X.AnyPropertyType)
                if (win.get_attributes().map_state == X.IsViewable
                        and pid in (None, owner and owner.value[0]) and title in (None, self.title(win))):
                    found.append(win)
        return found

    def close_window(self, win):  # as a window manager asks
        data = (32, [self.x.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0])
        win.send_event(event.ClientMessage(window=win, client_type=self.x.intern_atom("WM_PROTOCOLS"),
                                           data=data))
        self.x.flush()

    def grab(self, keys, modifiers=X.AnyModifier, other=None):
        """Grabs keys for another client (a new one by default); returns those refused."""
        other, refused = other or display.Display(), []
        for key in keys:
            catch = error.CatchError(error.BadAccess)
            other.screen().root.grab_key(other.keysym_to_keycode(XK.string_to_keysym(key)), modifiers,
                                         True, X.GrabModeAsync, X.GrabModeAsync, onerror=catch)
            other.sync()
            refused += [key] if catch.get_error() else []
        return refused

    def focus_elsewhere(self):
        """Gives the focus to another client's window; returns what gives the keys it got."""
        win = self.root.create_window(300, 300, 200, 100, 0, 24, event_mask=X.KeyPressMask)
        win.map()
        self.x.sync()
        self.xdotool("windowfocus", "--sync", str(win.id))
        return lambda: [XK.keysym_to_string(self.x.keycode_to_keysym(e.detail, 0)) for e in
                        iter(lambda: self.x.pending_events() and self.x.next_event(), 0)
                        if e.type == X.KeyPress]

    def record(self, sink="null"):
        return Recorder(self.spawn("parec", "--raw", "--latency-msec=5", "--format=s16le",
                                   f"--rate={RATE}", "--channels=1", "-d", sink + ".monitor",
                                   stdout=subprocess.PIPE))


class Recorder:
    """Reads a sink's monitor; `onsets`: when each sound after `quiet` s of silence first came."""

    def __init__(self, proc, threshold=2000, quiet=0.3):
        self.proc, self.onsets, self.samples = proc, [], 0
        threading.Thread(target=self._read, args=(threshold, quiet * RATE), daemon=True).start()
        wait(lambda: self.samples, 5, "recorded samples")

    def _read(self, threshold, quiet):
        last, carry = -quiet - 1, b""
        while read := os.read(self.proc.stdout.fileno(), 4096):
            stamp, data = time.monotonic(), carry + read
            whole = len(data) // 2 * 2
            carry = data[whole:]
            for i, v in enumerate(array.array("h", data[:whole]), self.samples):
                if abs(v) > threshold:
                    self.onsets += [stamp] if i - last > quiet else []
                    last = i
            self.samples += whole // 2
