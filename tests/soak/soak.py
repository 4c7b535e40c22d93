#!/usr/bin/python3
"""Soak test: the Linux program counts for a long time with the alarm once a minute.

Usage: soak.py PROGRAM [MINUTES]   (default 60)

Runs on a private desktop (tests/desktop/harness.py). Measures the program's resident
memory after the first minute and at the end, the drift of the title's ticks from
their one-second grid, and the chimes heard on the sound server's output. Prints the
figures and fails when RSS grows by more than 100 KB after the first minute, the
count drifts by more than 2 ms, or a chime is missing or extra.
"""

import array
import collections
import os
import shutil
import signal
import statistics
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "desktop"))
import harness as h  # noqa: E402

TITLE = "hot key F11"
TARGET = 20
MAX_RSS_GROWTH_KB = 100
MAX_DRIFT_MS = 2.0


class OnsetRecorder:
    """Records the null sink's monitor and keeps only the times at which sound starts
    after 0.3 s of silence: an hour of samples is not kept in memory."""

    def __init__(self, desktop, threshold=2000, quiet=0.3):
        self.onsets = []
        self.threshold, self.quiet = threshold, int(quiet * h.RATE)
        self.proc = desktop.spawn(["parec", "--raw", "--latency-msec=5", "--format=s16le",
                                   f"--rate={h.RATE}", "--channels=1", "-d", "null.monitor"],
                                  None)
        self.samples = 0
        self.bounds = collections.deque(maxlen=1000)  # the latest reads only
        self.last_loud = -10**12
        threading.Thread(target=self._read, daemon=True).start()
        h.wait_for(lambda: self.samples, 5, what="first recorded samples")

    def _read(self):
        fd = self.proc.stdout.fileno()
        carry = b""
        while data := os.read(fd, 4096):
            stamp = time.monotonic()
            data = carry + data
            carry = data[len(data) // 2 * 2:]
            block = array.array("h", data[:len(data) // 2 * 2])
            base = self.samples
            self.samples += len(block)
            # A read returns after its last sample was captured: the earliest bound over
            # recent reads places the samples in time. Only recent ones: over an hour the
            # sound server's clock and the monotonic clock part by far more than a chime's
            # tolerance, and a dropped block shifts every later sample.
            self.bounds.append(stamp - self.samples / h.RATE)
            if block and max(block) <= self.threshold and min(block) >= -self.threshold:
                continue  # silence, the common case: no per-sample loop
            start = min(self.bounds)
            for i, v in enumerate(block):
                if abs(v) > self.threshold:
                    if base + i - self.last_loud > self.quiet:
                        self.onsets.append(start + (base + i) / h.RATE)
                    self.last_loud = base + i

    def onset_times(self):
        return list(self.onsets)


def main():
    program = os.path.abspath(sys.argv[1])
    minutes = int(sys.argv[2]) if len(sys.argv) > 2 else 60
    ticks_wanted = minutes * 60
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("terminated"))

    desk = h.Desktop()
    # A copy, so a rebuild during the hour does not swap the program under the test.
    home = os.path.join(desk.tmp, "program")
    os.mkdir(home)
    for name in (program, os.path.join(os.path.dirname(program), "test.mp3")):
        shutil.copy2(name, home)
    proc = desk.spawn([os.path.join(home, os.path.basename(program))], "program")
    focus = h.FocusWindow(desk)
    win = h.wait_for(lambda: focus.window_titled(proc.pid, TITLE), 15, 0.05, "the main window")
    focus.focus()
    rec = OnsetRecorder(desk)
    watch = h.TitleWatch(win.id)
    time.sleep(1.0)

    desk.xdotool("key", "F11")
    h.wait_for(lambda: len(watch.changes) > 1, 3, 0.02, "the first tick")
    started = watch.changes[1][0]
    rss = []  # (seconds since the first tick, kB)
    next_sample = started
    while len(watch.changes) <= ticks_wanted:
        if proc.poll() is not None:
            sys.exit(f"the program ended with {proc.returncode}")
        now = time.monotonic()
        if now >= next_sample:
            rss.append((now - started, h.rss_kib(proc.pid)))
            next_sample += 1.0
        time.sleep(0.05)
    desk.xdotool("key", "F11")
    time.sleep(2.0)  # the last chime's tail, if any
    rss.append((time.monotonic() - started, h.rss_kib(proc.pid)))
    watch.stop()

    ticks = watch.changes[1:ticks_wanted + 1]
    titles = [t for _, t in ticks]
    expected_titles = [str(i % 60 + 1) for i in range(ticks_wanted)]
    times = [t for t, _ in ticks]
    offsets = [t - i for i, t in enumerate(times)]
    # Medians of a minute each, so a late tick on a busy machine is jitter, not drift.
    drift_ms = (statistics.median(offsets[-60:]) - statistics.median(offsets[:60])) * 1000
    intervals = [b - a for a, b in zip(times, times[1:])]
    after_first_minute = next(kb for t, kb in rss if t >= 60)
    rss_growth = rss[-1][1] - after_first_minute
    alarm_ticks = [t for t, title in ticks if title == str(TARGET)]
    onsets = rec.onset_times()
    matched = [o for o in onsets if any(-0.5 < o - t < 0.5 for t in alarm_ticks)]
    delays = sorted(min((abs(o - t) for t in alarm_ticks)) * 1000 for o in matched)

    print(f"ticks: {len(ticks)}, titles in order: {titles == expected_titles}")
    print(f"tick intervals: min {min(intervals) * 1000:.1f} ms, max {max(intervals) * 1000:.1f} ms,"
          f" mean {statistics.fmean(intervals) * 1000:.3f} ms")
    print(f"drift over {len(intervals)} s (median of the last minute's offsets minus the"
          f" first minute's): {drift_ms:+.2f} ms")
    print(f"RSS: {rss[0][1]} kB at the first tick, {after_first_minute} kB after one minute,"
          f" {rss[-1][1]} kB at the end (max {max(kb for _, kb in rss)} kB);"
          f" growth after the first minute {rss_growth:+d} kB")
    late = [round((o - t) * 1000, 1) for o in onsets
            for t in [min(alarm_ticks, key=lambda t, o=o: abs(o - t))]]
    print(f"onset minus nearest alarm tick, ms, in order: {late}")
    print(f"chimes: {len(onsets)} recorded, {len(matched)} at alarm ticks, "
          f"{len(alarm_ticks)} alarm ticks; onset to title: median "
          f"{statistics.median(delays) if delays else float('nan'):.1f} ms, max "
          f"{max(delays) if delays else float('nan'):.1f} ms")

    faults = []
    if titles != expected_titles:
        faults.append("the titles are not 1..60 in turn")
    if abs(drift_ms) > MAX_DRIFT_MS:
        faults.append(f"drift {drift_ms:+.2f} ms exceeds {MAX_DRIFT_MS} ms")
    if rss_growth > MAX_RSS_GROWTH_KB:
        faults.append(f"RSS grew {rss_growth} kB after the first minute")
    if not (len(onsets) == len(matched) == len(alarm_ticks) == minutes):
        faults.append(f"{len(onsets)} chimes, {len(matched)} at alarm ticks, {minutes} expected")
    proc.send_signal(signal.SIGTERM)
    desk.stop()
    if faults:
        sys.exit("SOAK FAILED: " + "; ".join(faults))
    print("SOAK PASSED")


if __name__ == "__main__":
    main()
