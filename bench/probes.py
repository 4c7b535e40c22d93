"""Watches a running program from outside: how promptly its main loop answers, when a
window maps, and what a process costs while it idles."""

import glob
import os
import select
import statistics
import threading
import time

from Xlib import X, display as xdisplay
from Xlib.protocol import event as xevent


class Pinger:
    """Sends _NET_WM_PING to a GTK window about every millisecond, one at a time, and
    stamps each answer. GDK answers on the main loop, so a round trip lasts as long as the
    loop was busy: the program needs no hook to be measured. It also stamps the window's
    title changes itself: another thread of this process could hold the interpreter's lock
    just when a ping is answered."""

    def __init__(self, wid, period=0.001, realtime=False):
        self.realtime = realtime
        self.d = xdisplay.Display()
        self.root = self.d.screen().root
        # The answer goes to the root window, as a window manager expects it.
        self.root.change_attributes(event_mask=X.SubstructureNotifyMask)
        self.win = self.d.create_resource_object("window", wid)
        self.win.change_attributes(event_mask=X.PropertyChangeMask)
        self.net_wm_name = self.d.intern_atom("_NET_WM_NAME")
        self.title_changes = []
        self.protocols = self.d.intern_atom("WM_PROTOCOLS")
        self.ping = self.d.intern_atom("_NET_WM_PING")
        self.period = period
        self.samples = []  # (time sent, round trip in s)
        self.done = False
        self.thread = threading.Thread(target=self._run, daemon=True)
        self.thread.start()

    def _answer(self, serial, deadline):
        while time.monotonic() < deadline:
            if not self.d.pending_events():
                select.select([self.d], [], [], max(0.0, deadline - time.monotonic()))
            while self.d.pending_events():
                ev = self.d.next_event()
                if ev.type == X.PropertyNotify and ev.atom == self.net_wm_name:
                    self.title_changes.append(time.monotonic())
                if (ev.type == X.ClientMessage and ev.data[1][0] == self.ping
                        and ev.data[1][1] == serial):
                    return time.monotonic()
        return None

    def _run(self):
        if self.realtime:
            os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(15))  # this thread only
        serial = 0
        while not self.done:
            serial = (serial + 1) & 0x7FFFFFFF
            ev = xevent.ClientMessage(window=self.win, client_type=self.protocols,
                                      data=(32, [self.ping, serial, self.win.id, 0, 0]))
            sent = time.monotonic()
            self.win.send_event(ev, event_mask=0)
            self.d.flush()
            answered = self._answer(serial, sent + 5.0)
            if answered is None:
                break  # the window is gone
            self.samples.append((sent, answered - sent))
            time.sleep(max(0.0, sent + self.period - time.monotonic()))

    def longest(self, begin, end):
        """The longest round trip of a ping sent in [begin, end] and when it was sent, in ms
        after `begin`."""
        trips = [(rtt, sent) for sent, rtt in self.samples if begin <= sent <= end]
        if not trips:
            return float("nan"), float("nan")
        rtt, sent = max(trips)
        return rtt * 1000, (sent - begin) * 1000

    def typical(self):
        """The median round trip in ms: the probe's own latency, with the loop free."""
        return statistics.median(rtt for _, rtt in self.samples) * 1000

    def stop(self):
        self.done = True
        self.thread.join(6)
        self.d.close()


class TitleWatch:
    """Stamps every change of a window's _NET_WM_NAME as the X server reports it, on a
    connection and a thread of its own."""

    def __init__(self, wid):
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

    def __init__(self):
        self.d = xdisplay.Display()
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
