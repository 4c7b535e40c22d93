"""Private desktop for black-box tests: X server, session bus, sound server,
a recorder on the sound server's output, and probes that watch the program
from outside (X properties, AT-SPI, recorded sound)."""

import array
import atexit
import contextlib
import ctypes
import itertools
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

from Xlib import X, XK, Xatom, display as xdisplay, error as xerror
from Xlib.protocol import event as xevent

RATE = 44100
sys.setswitchinterval(0.001)  # stamps are taken by threads: keep their wait for the GIL short
_libc = ctypes.CDLL(None, use_errno=True)


def _die_with_parent():
    # A killed test run (ctest timeout) must not leave servers behind.
    _libc.prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def _spawn(args, env, log, **kw):
    """Starts a process in a group of its own; its output goes to the file `log`, or
    to a pipe if `log` is None."""
    with open(log or os.devnull, "wb") as out:
        return subprocess.Popen(args, env=env, stdout=subprocess.PIPE if log is None else out,
                                stderr=out, start_new_session=True,
                                preexec_fn=_die_with_parent, **kw)


def _stop_group(proc, grace=3.0):
    """Ends a process we started and its own process group (its helpers)."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        with contextlib.suppress(ProcessLookupError):
            os.killpg(proc.pid, sig)
        with contextlib.suppress(subprocess.TimeoutExpired):
            proc.wait(grace)
            return


def rss_kib(pid):
    """The process's resident memory, in KiB."""
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise ValueError(f"no VmRSS for {pid}")


def wait_for(predicate, timeout, step=0.02, what="condition"):
    end = time.monotonic() + timeout
    while not (value := predicate()):
        if time.monotonic() > end:
            raise TimeoutError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(step)
    return value


class Desktop:
    """Xvfb, a session D-Bus (which starts the AT-SPI bus on demand) and PulseAudio
    with a null sink as default. Every process is ours and is stopped by its id."""

    def __init__(self):
        self.tmp = tempfile.mkdtemp(prefix="minute-alarm-desktop-")
        self.procs = []
        atexit.register(self.stop)
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                                 "PULSE_SERVER", "XDG_RUNTIME_DIR", "GTK_MODULES",
                                 "NO_AT_BRIDGE", "XAUTHORITY")}
        self._start()  # on failure, atexit stops what has started

    def _log(self, name):
        return os.path.join(self.tmp, name + ".log")

    def _start_server(self, name, args):
        """Starts a server that writes its address to the descriptor put for {fd} in args."""
        rfd, wfd = os.pipe()
        self.spawn([a.format(fd=wfd) for a in args], name, pass_fds=(wfd,))
        os.close(wfd)
        with os.fdopen(rfd) as f:
            address = f.readline().strip()
        if not address:
            raise RuntimeError(f"{name} did not start")
        return address

    def _start(self):
        run = os.path.join(self.tmp, "run")
        os.mkdir(run, 0o700)
        self.env.update(XDG_RUNTIME_DIR=run, HOME=self.tmp, NO_AT_BRIDGE="0",
                        GDK_BACKEND="x11", LANG="C.UTF-8", LC_ALL="C.UTF-8")
        self.env["DISPLAY"] = ":" + self._start_server("xvfb", [
            "Xvfb", "-displayfd", "{fd}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"])
        self.xvfb = self.procs[-1]
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self._start_server("dbus", [
            "dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address={fd}"])

        self.start_sound_server()

        # This process talks to the same servers (python-xlib, pyatspi read these).
        for key in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "PULSE_SERVER", "XDG_RUNTIME_DIR"):
            os.environ[key] = self.env[key]

    def start_sound_server(self):
        """PulseAudio with a null sink, on the same socket each time it is started."""
        socket = os.path.join(self.tmp, "pulse.sock")
        conf = os.path.join(self.tmp, "pulse.pa")
        with open(conf, "w") as f:
            f.write(f"load-module module-native-protocol-unix socket={socket} auth-anonymous=1\n"
                    "load-module module-null-sink sink_name=null\n"
                    "set-default-sink null\n")
        self.pulse = self.spawn(["pulseaudio", "-n", "-F", conf, "--daemonize=no",
                                 "--exit-idle-time=-1", "--system=false", "--log-target=stderr"],
                                "pulse")
        self.env["PULSE_SERVER"] = "unix:" + socket
        wait_for(lambda: subprocess.run(["pactl", "info"], env=self.env,
                                         capture_output=True).returncode == 0,
                 10, 0.1, "PulseAudio")

    def stop_sound_server(self):
        _stop_group(self.pulse)
        self.procs.remove(self.pulse)

    def spawn(self, args, name, pass_fds=(), **env):
        proc = _spawn(args, {**self.env, **env}, name and self._log(name), pass_fds=pass_fds)
        self.procs.append(proc)
        return proc

    def xdotool(self, *args):
        subprocess.run(["xdotool", *args], env=self.env, check=True, timeout=10)

    def stop(self):
        for proc in reversed(self.procs):
            _stop_group(proc)
        self.procs.clear()
        shutil.rmtree(self.tmp, ignore_errors=True)


class Recorder:
    """Records the null sink's monitor; each read is stamped with the monotonic clock."""

    def __init__(self, desktop):
        self.chunks = []
        self.proc = desktop.spawn(["parec", "--raw", "--latency-msec=5", "--format=s16le",
                                   f"--rate={RATE}", "--channels=1", "-d", "null.monitor"], None)
        threading.Thread(target=self._read, daemon=True).start()
        wait_for(lambda: self.chunks, 5, what="first recorded samples")

    def _read(self):
        fd = self.proc.stdout.fileno()
        while data := os.read(fd, 4096):
            self.chunks.append((time.monotonic(), data))

    def onsets(self, threshold=2000, quiet=0.3):
        """Times at which sound starts after at least `quiet` seconds of silence."""
        chunks = list(self.chunks)
        raw = b"".join(d for _, d in chunks)
        # A read returns after its last sample was captured, never before; the earliest
        # bound over all reads is the tightest estimate of the first sample's time.
        ends = itertools.accumulate(len(d) // 2 for _, d in chunks)
        start = min(stamp - n / RATE for (stamp, _), n in zip(chunks, ends))
        result, last_loud = [], -10**9
        for i, v in enumerate(array.array("h", raw[:len(raw) // 2 * 2])):
            if abs(v) > threshold:
                if i - last_loud > quiet * RATE:
                    result.append(start + i / RATE)
                last_loud = i
        return result


class Xclient:
    """A connection of our own to the X server."""

    def __init__(self):
        self.d = xdisplay.Display()
        self.root = self.d.screen().root
        self.atom = self.d.intern_atom

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()

    def keycode(self, name):
        return self.d.keysym_to_keycode(XK.string_to_keysym(name))

    def prop(self, win, name, kind=X.AnyPropertyType):
        with contextlib.suppress(xerror.BadWindow):
            p = win.get_full_property(self.atom(name), kind)
            return None if p is None else p.value
        return None

    def title(self, win):
        v = self.prop(win, "_NET_WM_NAME")
        return None if v is None else v.decode()

    def windows_of(self, pid):
        """The program's viewable top-level windows."""
        out = []
        for w in self.root.query_tree().children:
            with contextlib.suppress(xerror.BadWindow):  # gone meanwhile
                p = self.prop(w, "_NET_WM_PID", Xatom.CARDINAL)
                if p and p[0] == pid and w.get_attributes().map_state == X.IsViewable:
                    out.append(w)
        return out

    def window_titled(self, pid, title):
        return next((w for w in self.windows_of(pid) if self.title(w) == title), None)

    def try_grab(self, names, modifiers=X.AnyModifier):
        """Grabs keys on the root window; returns the names refused (BadAccess)."""
        refused = []
        for name in names:
            catch = xerror.CatchError(xerror.BadAccess)
            self.root.grab_key(self.keycode(name), modifiers, True, X.GrabModeAsync,
                               X.GrabModeAsync, onerror=catch)
            self.d.sync()
            if catch.get_error():
                refused.append(name)
        return refused

    def close_window(self, win):
        """Asks a window to close, as a window manager does."""
        ev = xevent.ClientMessage(window=win, client_type=self.atom("WM_PROTOCOLS"),
                                  data=(32, [self.atom("WM_DELETE_WINDOW"), X.CurrentTime,
                                             0, 0, 0]))
        win.send_event(ev, event_mask=0)
        self.d.flush()

    def lock_mask(self):
        return self.root.query_pointer().mask

    def close(self):
        self.d.close()


class FocusWindow(Xclient):
    """Another program's window that holds the keyboard focus; counts the key presses
    that reach it (grabbed keys must not)."""

    def __init__(self, desktop):
        super().__init__()
        self.win = self.root.create_window(300, 300, 200, 100, 0, self.d.screen().root_depth,
                                           event_mask=X.KeyPressMask)
        self.win.map()
        self.d.flush()
        self.presses = []
        self.desktop = desktop
        self.focus()

    def focus(self):
        self.desktop.xdotool("windowfocus", "--sync", str(self.win.id))
        wait_for(lambda: self.d.get_input_focus().focus.id == self.win.id, 5, what="focus")

    def key_presses(self):
        while self.d.pending_events():
            ev = self.d.next_event()
            if ev.type == X.KeyPress:
                self.presses.append(ev.detail)
        return self.presses


class PingProbe:
    """Times the program's main loop from outside: GTK answers _NET_WM_PING from it.
    Pings the window every `period` s on a connection of its own and keeps each
    round trip's (send time, seconds); an unanswered ping counts as `timeout`."""

    def __init__(self, wid, period=0.005, timeout=2.0):
        self.x = Xclient()
        self.x.root.change_attributes(event_mask=X.SubstructureNotifyMask)
        self.win = self.x.d.create_resource_object("window", wid)
        self.protocols, self.ping = self.x.atom("WM_PROTOCOLS"), self.x.atom("_NET_WM_PING")
        self.period, self.timeout = period, timeout
        self.trips = []
        self.done = False
        self.thread = threading.Thread(target=self._run, daemon=True)
        self.thread.start()
        wait_for(lambda: self.trips, 5, what="a first answered ping")

    def _answered(self, serial, end):
        d = self.x.d
        while time.monotonic() < end:
            select.select([d], [], [], 0.005)
            while d.pending_events():
                ev = d.next_event()
                if (ev.type == X.ClientMessage and ev.client_type == self.protocols
                        and ev.data[1][1] == serial):
                    return True
        return False

    def _run(self):
        for serial in itertools.count(1):
            if self.done:
                return
            sent = time.monotonic()
            ev = xevent.ClientMessage(window=self.win, client_type=self.protocols,
                                      data=(32, [self.ping, serial, self.win.id, 0, 0]))
            with contextlib.suppress(xerror.XError):
                self.win.send_event(ev, event_mask=0)
                self.x.d.flush()
            answered = self._answered(serial, sent + self.timeout)
            self.trips.append((sent, time.monotonic() - sent if answered else self.timeout))
            time.sleep(self.period)

    def worst_since(self, since):
        return max((rtt for sent, rtt in self.trips if sent >= since), default=None)

    def stop(self):
        self.done = True
        self.thread.join(self.timeout + 1)
        self.x.close()


class TitleWatch:
    """Stamps every change of a window's _NET_WM_NAME with the monotonic clock, as the
    X server reports it (PropertyNotify), on a connection of its own."""

    def __init__(self, wid):
        self.x = Xclient()
        self.win = self.x.d.create_resource_object("window", wid)
        self.win.change_attributes(event_mask=X.PropertyChangeMask)
        self.net_wm_name = self.x.atom("_NET_WM_NAME")
        self.changes = [(time.monotonic(), self.x.title(self.win))]
        self.done = False
        self.thread = threading.Thread(target=self._run, daemon=True)
        self.thread.start()

    def _run(self):
        d = self.x.d
        while not self.done:
            select.select([d], [], [], 0.05)
            while d.pending_events():
                ev = d.next_event()
                if ev.type == X.PropertyNotify and ev.atom == self.net_wm_name:
                    t = time.monotonic()
                    title = self.x.title(self.win)
                    if title != self.changes[-1][1]:
                        self.changes.append((t, title))

    def stop(self):
        self.done = True
        self.thread.join(2)
        self.x.close()


def accessible_app(pid, timeout=10):
    import pyatspi

    def find():
        for app in pyatspi.Registry.getDesktop(0):
            with contextlib.suppress(Exception):  # a dead or half-made application
                if app.get_process_id() == pid:
                    return app
        return None
    return wait_for(find, timeout, 0.1, "the program on the accessibility bus")


def accessible_widgets(app):
    """(role name, accessible name, text) of every label and text box."""
    import pyatspi
    app.clear_cache()
    out = []

    def walk(acc):
        if acc is None:
            return
        role = acc.getRole()
        if role in (pyatspi.ROLE_LABEL, pyatspi.ROLE_TEXT):
            text = acc.queryText().getText(0, -1) if role == pyatspi.ROLE_TEXT else None
            out.append((acc.getRoleName(), acc.name, text))
        for child in acc:
            walk(child)
    walk(app)
    return out
