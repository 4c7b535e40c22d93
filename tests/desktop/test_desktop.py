#!/usr/bin/python3
"""Black-box tests of the Linux program on a private desktop.

Usage: test_desktop.py PROGRAM [unittest arguments, e.g. a class name]

The program is watched only from outside: its window title through X properties, its
labels and text box through AT-SPI, its alarm through a recording of the sound server.
Keys are pressed while another window holds the focus, so they count only as global keys.
"""

import itertools
import os
import shutil
import signal
import sys
import time
import unittest

from Xlib import X

import harness as h

PROGRAM = None
desk = None
TITLE = "hot key F11"
BOX_TITLE = "Minute Alarm"
BOX_TEXT = "這個熱鍵已被其他程式使用"
KEYS = ["F11", "F9", "F10"]


def setUpModule():
    global desk
    desk = h.Desktop()  # stopped at exit


class ProgramCase(unittest.TestCase):
    runs = itertools.count(1)

    def setUp(self):
        # The focus holder's connection also serves the test's own X queries.
        self.x = self.focus = h.FocusWindow(desk)
        self.addCleanup(self.focus.close)

    def launch(self, wait_window=True, program=None, **env):
        name = self.log_name = f"program-{next(self.runs)}"
        self.log = desk._log(name)
        self.proc = desk.spawn([program or PROGRAM], name, **env)
        self.addCleanup(self._end_program, name)
        if not wait_window:
            return None
        self.win = h.wait_for(lambda: self.x.window_titled(self.proc.pid, TITLE), 15, 0.05,
                              "the main window")
        self.app = h.accessible_app(self.proc.pid)
        self.focus.focus()
        return self.win

    def _end_program(self, name):
        if self.proc.poll() is None:
            h._stop_group(self.proc)
        with open(desk._log(name), errors="replace") as f:
            log = f.read().strip()
        if log:
            sys.stderr.write(f"\n--- {name} output ---\n{log}\n")
        # An ASan/UBSan build reports there; a plain build never writes these words.
        self.assertNotRegex(log, "Sanitizer|runtime error:", f"{name}: a sanitizer report")

    def press(self, *keys):
        desk.xdotool("key", "--delay", "40", *keys)

    def labels(self):
        return [name for role, name, _ in h.accessible_widgets(self.app) if role == "label"]

    def entry(self):
        texts = [(n, t) for role, n, t in h.accessible_widgets(self.app) if role == "text"]
        self.assertEqual(len(texts), 1, f"one text box expected: {texts}")
        return texts[0]

    def eventually(self, get, expected, timeout=3.0, what="value"):
        end = time.monotonic() + timeout
        while (value := get()) != expected:
            if time.monotonic() > end:
                self.fail(f"{what}: expected {expected!r}, still {value!r} after {timeout} s")
            time.sleep(0.05)

    def label1(self, expected):
        self.eventually(lambda: expected in self.labels(), True, what=f"label {expected!r}")

    def play_time(self, expected):
        self.eventually(lambda: self.entry()[1], expected, what="playTime text")

    def set_locks(self, num, caps):
        for want, mask, key in ((num, X.Mod2Mask, "Num_Lock"), (caps, X.LockMask, "Caps_Lock")):
            if bool(self.x.lock_mask() & mask) != want:
                self.press(key)
            self.eventually(lambda: bool(self.x.lock_mask() & mask), want, 2, key)

    def assert_keys_free(self):
        with h.Xclient() as other:
            self.assertEqual(other.try_grab(KEYS), [], "keys still held after the program ended")


class InitialState(ProgramCase):
    def test_initial_window(self):
        win = self.launch()
        self.assertEqual(self.x.title(win), TITLE)
        geo = win.get_geometry()
        self.assertEqual((geo.width, geo.height), (236, 80), "client area")

        labels = self.labels()
        self.assertEqual(len(labels), 2, f"two labels expected: {labels}")
        self.assertIn("stop", labels)
        self.assertTrue(all(t.strip() for t in labels), f"an empty credit label: {labels}")
        self.assertEqual(self.entry(), ("playTime", "20"))

        def blue_pixels():
            img = win.get_image(0, 40, 236, 40, X.ZPixmap, 0xFFFFFFFF).data
            return sum(1 for i in range(0, len(img), 4) if img[i:i + 3] == b"\xff\x00\x00")
        h.wait_for(blue_pixels, 3, 0.1, "pure blue pixels in the credit line")


class TargetKeys(ProgramCase):
    # (NumLock, CapsLock, keys pressed, text expected afterwards); each row starts
    # where the previous one ended.
    STEPS = [
        (False, False, ["F9"], "19"),
        (False, False, ["F10", "F10"], "21"),
        (True, False, ["F9"], "20"),
        (True, False, ["F10"], "21"),
        (False, True, ["F9"] * 3, "18"),
        (True, True, ["F10"], "19"),
        (False, False, ["F9"] * 19, "0"),
        (False, False, ["F9"], "1"),      # |0 - 1|
        (False, False, ["F9"], "0"),
    ]

    def test_keys_change_target_while_another_window_has_focus(self):
        self.launch()
        self.addCleanup(self.set_locks, False, False)
        fkeys = {self.x.keycode(k) for k in KEYS}
        for num, caps, keys, expected in self.STEPS:
            with self.subTest(num_lock=num, caps_lock=caps, keys=keys):
                self.set_locks(num, caps)
                self.assertEqual(self.x.d.get_input_focus().focus.id, self.focus.win.id)
                self.press(*keys)
                self.play_time(expected)
        leaked = [k for k in self.focus.key_presses() if k in fkeys]
        self.assertEqual(leaked, [], "hot keys reached the focused window")
        self.assertEqual(self.x.title(self.win), TITLE, "adjusting the target touched the title")


class CommaLocale(ProgramCase):
    def test_typed_fraction_is_raised_and_read_back_with_a_point(self):
        self.launch(LC_ALL="de_DE.UTF-8")
        desk.xdotool("windowfocus", "--sync", str(self.win.id))
        self.press("ctrl+a")
        desk.xdotool("type", "--delay", "40", "1.5")
        self.play_time("1.5")
        self.focus.focus()
        for expected in ("2.5", "3.5"):
            self.press("F10")
            self.play_time(expected)


class TimerAndAlarm(ProgramCase):
    TARGET = "3"
    TICKS = 64            # one full minute and the first seconds of the next
    TOLERANCE = 0.060     # per tick, seconds
    MAX_DRIFT = 0.025     # over the whole run, seconds
    MAX_ONSET = 0.080     # chime onset to the title showing the chosen second, seconds

    def test_count_alarm_stop_restart(self):
        self.launch()
        rec = h.Recorder(desk)
        self.addCleanup(h._stop_group, rec.proc)
        self.press(*["F9"] * 17)
        self.play_time(self.TARGET)
        watch = h.TitleWatch(self.win.id)
        self.addCleanup(watch.stop)
        time.sleep(max(0.0, 3.0 - (time.monotonic() - rec.chunks[0][0])))

        pressed = time.monotonic()
        self.press("F11")
        self.label1("Stop Timer")
        h.wait_for(lambda: len(watch.changes) > self.TICKS, self.TICKS + 8, 0.1,
                   f"{self.TICKS} ticks")
        self.press("F11")
        stopped = time.monotonic()
        self.label1("Start Timer")
        time.sleep(2.5)
        ticks = [c for c in watch.changes[1:] if c[0] < stopped]
        after_stop = [c for c in watch.changes[1:] if c[0] >= stopped]
        onsets = rec.onsets()

        titles = [t for _, t in ticks]
        self.assertEqual(titles, [str(i % 60 + 1) for i in range(len(titles))])
        times = [t for t, _ in ticks]
        intervals = [b - a for a, b in zip(times, times[1:])]
        # Drift: how far the last ticks sit from the first ticks' one-second grid
        # (medians of five, so one late tick is jitter, not drift).
        offsets = [t - i for i, t in enumerate(times)]
        drift = sorted(offsets[-5:])[2] - sorted(offsets[:5])[2]
        first = times[0] - pressed
        print(f"\nfirst tick {first * 1000:.1f} ms after the F11 press; "
              f"{len(intervals)} intervals: min {min(intervals) * 1000:.1f} ms, "
              f"max {max(intervals) * 1000:.1f} ms, mean {sum(intervals) / len(intervals) * 1000:.2f} ms;"
              f" drift over {len(intervals)} s: {drift * 1000:+.1f} ms")
        self.assertTrue(0.9 < first < 1.2, f"first tick {first:.3f} s after F11")
        bad = [(i, round(v * 1000, 1)) for i, v in enumerate(intervals)
               if abs(v - 1) > self.TOLERANCE]
        self.assertEqual(bad, [], "tick intervals outside 1000 ms +- 60 ms")
        self.assertLess(abs(drift), self.MAX_DRIFT, "the count drifts")

        # The full minute and its wrap show the chosen second twice.
        alarm_ticks = [t for t, title in ticks if title == self.TARGET]
        delays = [[round((o - t) * 1000, 1) for o in onsets if -0.5 < o - t < 0.5]
                  for t in alarm_ticks]
        heard_at = [next((title for stamp, title in reversed(ticks) if stamp <= o + 0.02), None)
                    for o in onsets]
        print(f"sound onsets after the title showed {self.TARGET!r}: {delays} ms; "
              f"all onsets at titles: {heard_at}")
        # One onset near each alarm second and none elsewhere, so none after the stop.
        self.assertEqual(len(onsets), len(alarm_ticks), f"chimes heard at titles {heard_at}")
        # Either may come first: the title reaches the X server when the program's GUI
        # thread flushes, the sound when the sink renders its next block.
        self.assertTrue(all(len(d) == 1 and abs(d[0]) <= self.MAX_ONSET * 1000 for d in delays),
                        f"onset delays {delays} ms, at most {self.MAX_ONSET * 1000} ms each")
        # The title keeps its last number.
        self.assertEqual(after_stop, [], "the title changed after the stop")

        # Switching on again restarts the count at 1.
        restarted = len(watch.changes)
        self.press("F11")
        self.label1("Stop Timer")
        h.wait_for(lambda: len(watch.changes) > restarted, 2, 0.02, "a tick after restart")
        self.assertEqual(watch.changes[restarted][1], "1")


class TakenKey(ProgramCase):
    # (key another client holds, its modifier mask); the program must want it with every
    # lock combination, so a NumLock-only grab also blocks it.
    HOLDERS = [("F11", X.AnyModifier), ("F9", 0), ("F10", X.Mod2Mask)]

    def test_message_then_exit_releasing_every_key(self):
        for key, mods in self.HOLDERS:
            with self.subTest(held=key, modifiers=mods):
                with h.Xclient() as holder:
                    self.assertEqual(holder.try_grab([key], mods), [])
                    self.launch(wait_window=False)
                    box = h.wait_for(lambda: self.x.window_titled(self.proc.pid, BOX_TITLE),
                                     15, 0.05, "the message box")
                    self.assertEqual(self.x.windows_of(self.proc.pid), [box],
                                     "the main window is shown")
                    self.app = h.accessible_app(self.proc.pid)
                    self.assertIn(BOX_TEXT, [name for _, name, _ in h.accessible_widgets(self.app)])
                    self.assertIsNone(self.proc.poll(), "ended before OK")
                    desk.xdotool("windowfocus", "--sync", str(box.id))
                    self.press("Return")
                    self.proc.wait(5)  # TimeoutExpired if OK does not end it
                self.assert_keys_free()


class SoundErrorBox(ProgramCase):
    """A copy of the program with no test.mp3 beside it: every alarm is a fault (the short
    path of a missing file is empty, so the play command lacks its file name)."""
    FAULT = 'The command "play" needs the name of a sound file; the sound file may be missing.'

    def faults(self):
        with open(self.log, errors="replace") as f:
            return f.read().count(self.FAULT)

    def alarm_soon(self):
        """Moves the chosen second a few ticks ahead and waits for its fault on stderr."""
        before = self.faults()
        target = int(self.x.title(self.win)) + 3
        current = int(self.entry()[1])
        self.press(*(["F10"] * (target - current) if target > current else
                     ["F9"] * (current - target)))
        self.play_time(str(target))
        h.wait_for(lambda: self.faults() > before, 4, 0.05, f"the alarm at {target}")

    def box_and_text(self):
        box = h.wait_for(lambda: self.x.window_titled(self.proc.pid, BOX_TITLE), 3, 0.05,
                         "the sound error box")
        texts = [n for _, n, _ in h.accessible_widgets(self.app) if self.FAULT in (n or "")]
        return box, texts

    def test_one_box_at_a_time_and_each_way_of_closing_it(self):
        folder = os.path.join(desk.tmp, "no-sound")
        os.makedirs(folder, exist_ok=True)
        program = os.path.join(folder, "minute-alarm")
        shutil.copy(PROGRAM, program)
        self.launch(program=program)
        self.press("F11")
        self.eventually(lambda: self.x.title(self.win), "1", 2, "title")
        for way in ("Return", "Escape", "window manager"):
            with self.subTest(closed_by=way):
                self.alarm_soon()
                box, texts = self.box_and_text()
                self.assertEqual(texts, [self.FAULT], "the fault shown once, as written")
                # A fault while the box is open goes to stderr only.
                self.alarm_soon()
                time.sleep(0.3)
                self.assertEqual(len(self.x.windows_of(self.proc.pid)), 2, "a second box")
                if way == "window manager":
                    self.x.close_window(box)
                else:
                    desk.xdotool("windowfocus", "--sync", str(box.id))
                    self.press(way)
                    self.focus.focus()
                h.wait_for(lambda: self.x.window_titled(self.proc.pid, BOX_TITLE) is None, 3,
                           0.05, f"the box to close on {way}")
        self.assertIsNone(self.proc.poll(), "the program ended with its box")


class Close(ProgramCase):
    def test_close_ends_program_and_frees_keys(self):
        for running in (False, True):
            with self.subTest(timer_running=running):
                win = self.launch()
                if running:
                    self.press("F11")
                    self.eventually(lambda: self.x.title(win), "1", 2, "title")
                self.x.close_window(win)

                def ended():
                    self.assertIsNone(self.x.window_titled(self.proc.pid, BOX_TITLE),
                                      "a message box on close")
                    return self.proc.poll() is not None
                h.wait_for(ended, 5, 0.02, "the program to end")
                self.assertEqual(self.proc.returncode, 0)
                self.assert_keys_free()


if __name__ == "__main__":
    PROGRAM = os.path.abspath(sys.argv.pop(1))
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("terminated"))  # still clean up
    unittest.main(verbosity=2, warnings="ignore")
