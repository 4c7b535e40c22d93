"""The benchmark's arithmetic, kept apart from the servers so it can be tested alone:
tick drift, chime onsets, goals and the table."""

import statistics


def tick_numbers(changes):
    """Turns (time, title) changes of a 1..60 counter into (time, tick number), counting
    from the first; a tick the program coalesced after a stall still gets its own number.
    Titles that are not counter values (the window's name before the start) are left out."""
    out = []
    for t, title in changes:
        if not (title or "").isdigit():
            continue
        second = int(title)
        if not out:
            out.append((t, 0))
            last = second
            continue
        step = (second - last) % 60 or 60
        out.append((t, out[-1][1] + step))
        last = second
    return out


def drift(ticks):
    """Slope (ppm) of tick n's time against n seconds; the error at the end, the 95th
    percentile and the latest of how late the ticks came (all in ms), against the grid a
    whole-second timer started at the earliest time the ticks allow. A tick can be late, never early, and how late wanders
    with the machine (by some 0.3 ms over tens of seconds here, which is several ppm over a
    quick run), so the slope is that of the line under every tick that stays closest to them
    all: the edge of their lower hull over the middle tick number. The ticks least delayed,
    not the average delay, then carry it."""
    if len(ticks) < 3:
        raise ValueError(f"too few ticks to measure drift: {len(ticks)}")
    hull = []
    for n, t in sorted((n, t) for t, n in ticks):
        while len(hull) >= 2 and ((hull[-1][1] - hull[-2][1]) * (n - hull[-2][0]) >=
                                  (t - hull[-2][1]) * (hull[-1][0] - hull[-2][0])):
            hull.pop()
        hull.append((n, t))
    middle = statistics.mean(n for _, n in ticks)
    (n1, t1), (n2, t2) = next((a, b) for a, b in zip(hull, hull[1:]) if a[0] <= middle <= b[0])
    start = min(t - n for t, n in ticks)
    lateness = [(t - start - n) * 1000 for t, n in ticks]
    # One late tick is the machine's: the end is the last ten ticks' median, and the late
    # ticks are judged by their 95th percentile, the latest printed beside.
    return {"ppm": ((t2 - t1) / (n2 - n1) - 1.0) * 1e6,
            "end_ms": statistics.median(lateness[-10:]), "p95_ms": percentile(lateness, 95),
            "worst_ms": max(lateness), "ticks": len(ticks)}


def onset_delays(alarm_ticks, onsets, window=1.0):
    """For each alarm tick time, ms until the first sound onset after it (within `window`
    seconds; an onset a little before the stamp counts, as the stamp itself can be late).
    Ticks with no sound are returned apart, as they are a fault, not a figure."""
    delays, silent = [], []
    for tick in alarm_ticks:
        after = [o for o in onsets if tick - 0.05 <= o <= tick + window]
        if after:
            delays.append((min(after) - tick) * 1000)
        else:
            silent.append(tick)
    return delays, silent


def percentile(values, p):
    """The p-th percentile (0-100), interpolated between the nearest ranks."""
    ordered = sorted(values)
    rank = (len(ordered) - 1) * p / 100
    low = int(rank)
    high = min(low + 1, len(ordered) - 1)
    return ordered[low] + (ordered[high] - ordered[low]) * (rank - low)


def paired_stalls(longest, alarm_ticks):
    """For each alarm tick n: the stall at n less the mean stall at the plain ticks n-1 and
    n+1 beside it, which the machine's noise of that moment hits as well. `longest(n)` gives
    the stall at tick n. Returns (differences, stalls at the alarms, stalls beside)."""
    diffs, at, beside = [], [], []
    for n in alarm_ticks:
        mine, near = longest(n), (longest(n - 1) + longest(n + 1)) / 2
        diffs.append(mine - near)
        at.append(mine)
        beside.append(near)
    return diffs, at, beside


def rate(before, after, seconds):
    return (after - before) / seconds if seconds > 0 else float("nan")


class Table:
    """Rows of figures beside their goals; remembers whether every goal was met."""

    def __init__(self):
        self.rows = []

    def add(self, name, value, goal, met, beside=""):
        self.rows.append((name, value, beside, goal, "yes" if met else "NO"))

    def all_met(self):
        return all(row[4] == "yes" for row in self.rows)

    def render(self):
        head = ("Figure", "Minute Alarm", "Beside it", "Goal", "Met")
        rows = [head] + self.rows
        widths = [max(len(r[i]) for r in rows) for i in range(len(head))]
        line = lambda r: "  ".join(c.ljust(w) for c, w in zip(r, widths)).rstrip()
        return "\n".join([line(head), line(["-" * w for w in widths])] +
                         [line(r) for r in self.rows])


def usage_delta(before, after):
    """Wake-ups and CPU seconds between two {thread: (name, switches, cpu)} snapshots,
    with the threads that woke, by name. A thread born meanwhile counts from zero; one
    that ended is lost with what it did, which the caller avoids by idling."""
    switches, cpu, woke = 0, 0.0, {}
    for tid, (name, s1, c1) in after.items():
        _, s0, c0 = before.get(tid, (name, 0, 0.0))
        switches += s1 - s0
        cpu += c1 - c0
        if s1 > s0:
            woke[name] = woke.get(name, 0) + s1 - s0
    return switches, cpu, woke
