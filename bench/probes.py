"""Watches a running program from outside: how promptly its main loop answers, when a
window maps, and what a process costs while it idles."""

import glob
import os
import select
import signal
import statistics
import subprocess
import sys
import threading
import time

from Xlib import X, display as xdisplay
from Xlib.protocol import event as xevent


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        return next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))


class Pinger:
    """Sends _NET_WM_PING to a GTK window about every millisecond, one at a time, and
    stamps each answer. GDK answers on the main loop, so a round trip lasts as long as the
    loop was busy: the program needs no hook to be measured. The pings go from a process of
    their own (this file run as a program), which also stamps the window's title changes:
    in the bench's process, another thread holding the interpreter's lock would delay the
    answers it reads."""

    def __init__(self, wid, realtime=False):
        self.title_changes = []
        self.samples = []  # (time sent, round trip in s)
        self.proc = subprocess.Popen([sys.executable, "-B", __file__, str(wid), str(int(realtime))],
                                     stdout=subprocess.PIPE, text=True)
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        for line in self.proc.stdout:
            kind, *values = line.split()
            if kind == "t":
                self.title_changes.append(float(values[0]))
            else:
                self.samples.append((float(values[0]), float(values[1])))

    def longest(self, begin, end):
        """The longest round trip of a ping in flight at some time in [begin, end] and when it
        was sent, in ms after `begin`. A ping that the loop held is in flight all along."""
        trips = [(rtt, sent) for sent, rtt in self.samples if sent <= end and sent + rtt >= begin]
        if not trips:
            return float("nan"), float("nan")
        rtt, sent = max(trips)
        return rtt * 1000, (sent - begin) * 1000

    def typical(self):
        """The median round trip in ms: the probe's own latency, with the loop free."""
        return statistics.median(rtt for _, rtt in self.samples) * 1000

    def stop(self):
        self.proc.terminate()
        self.proc.wait(5)
        self.thread.join(5)


def ping(wid, realtime, period=0.001):
    """The pinging process: one line per answer ("p SENT RTT") and per title change
    ("t STAMP"), on the monotonic clock the bench shares."""
    if realtime:
        os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(15))
    d = xdisplay.Display()
    d.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask)  # answers go there
    win = d.create_resource_object("window", wid)
    win.change_attributes(event_mask=X.PropertyChangeMask)
    net_wm_name, protocols, ping_atom = (d.intern_atom(n) for n in
                                         ("_NET_WM_NAME", "WM_PROTOCOLS", "_NET_WM_PING"))
    out, serial = [], 0
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    while True:
        serial = (serial + 1) & 0x7FFFFFFF
        sent = time.monotonic()
        win.send_event(xevent.ClientMessage(window=win, client_type=protocols,
                                            data=(32, [ping_atom, serial, wid, 0, 0])),
                       event_mask=0)
        d.flush()
        answered = None
        while answered is None and time.monotonic() < sent + 5:
            if not d.pending_events():
                select.select([d], [], [], 0.05)
            while d.pending_events():
                ev = d.next_event()
                if ev.type == X.PropertyNotify and ev.atom == net_wm_name:
                    out.append(f"t {time.monotonic()}")
                elif (ev.type == X.ClientMessage and ev.data[1][0] == ping_atom
                      and ev.data[1][1] == serial):
                    answered = time.monotonic()
        if answered is None:
            return  # the window is gone
        out.append(f"p {sent} {answered - sent}")
        if out[-1].startswith("p") and (len(out) > 50 or out[-2:-1] and out[-2][0] == "t"):
            print("\n".join(out), flush=True)  # title changes at once; pings in batches
            out = []
        time.sleep(max(0.0, sent + period - time.monotonic()))


class TitleWatch:
    """Stamps every change of a window's _NET_WM_NAME as the X server reports it, on a
    connection and a thread of its own."""

    def __init__(self, wid, realtime=False):
        self.realtime = realtime
        self.d = xdisplay.Display()
        self.win = self.d.create_resource_object("window", wid)
        self.win.change_attributes(event_mask=X.PropertyChangeMask)
        self.atom = self.d.intern_atom("_NET_WM_NAME")
        self.changes = [(time.monotonic(), self.title())]
        self.done = False
        self.thread = threading.Thread(target=self._run, daemon=True)
        self.thread.start()

    def title(self):
        prop = self.win.get_full_property(self.atom, X.AnyPropertyType)
        return prop.value.decode() if prop else None

    def _run(self):
        if self.realtime:  # this thread only
            os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(15))
        while not self.done:
            select.select([self.d], [], [], 0.05)
            while self.d.pending_events():
                ev = self.d.next_event()
                if ev.type == X.PropertyNotify and ev.atom == self.atom:
                    stamp, title = time.monotonic(), self.title()
                    if title != self.changes[-1][1]:
                        self.changes.append((stamp, title))

    def stop(self):
        self.done = True
        self.thread.join(2)
        self.d.close()


class MapWatch:
    """Stamps top-level windows as the X server maps them."""

    def __init__(self, name=None):
        self.d = xdisplay.Display(name)
        self.d.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask)
        self.d.sync()

    def drain(self):
        while self.d.pending_events():
            self.d.next_event()

    def next_map(self, timeout):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            select.select([self.d], [], [], 0.05)
            while self.d.pending_events():
                if self.d.next_event().type == X.MapNotify:
                    return time.monotonic()
        raise TimeoutError("no window was mapped")

    def close(self):
        self.d.close()


def usage(pid):
    """{thread id: (name, wake-ups, CPU time in s)}. A thread that sleeps switches out of
    its own accord once per wake-up; being preempted while it runs is no wake-up."""
    out = {}
    for task in glob.glob(f"/proc/{pid}/task/*"):
        try:
            with open(os.path.join(task, "comm")) as f:
                name = f.read().strip()
            switches = 0
            with open(os.path.join(task, "status")) as f:
                for line in f:
                    if line.startswith("voluntary_ctxt_switches"):
                        switches += int(line.split()[1])
            with open(os.path.join(task, "schedstat")) as f:
                cpu = int(f.read().split()[0]) / 1e9
        except (FileNotFoundError, ProcessLookupError):
            continue  # a thread that ended meanwhile
        out[os.path.basename(task)] = (name, switches, cpu)
    return out


if __name__ == "__main__":
    ping(int(sys.argv[1]), sys.argv[2] == "1")
