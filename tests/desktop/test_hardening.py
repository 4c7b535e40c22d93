#!/usr/bin/python3
"""Black-box tests of the Linux program under abuse: bad sound files, a sound server that
goes away and comes back, the X server going away, a killed program, a huge paste.

Usage: test_hardening.py PROGRAM [unittest arguments, e.g. a class name]

Throughout, the program's main loop is timed from outside (PingProbe) and must never
stall for more than MAX_STALL; its error boxes are counted as X windows.
"""

import contextlib
import math
import os
import random
import shutil
import signal
import struct
import sys
import time
import unittest
import wave

import harness as h
import test_desktop as td

MAX_STALL = 0.050  # seconds
ERROR_BOX = "Minute Alarm"


def setUpModule():
    td.desk = h.Desktop()  # stopped at exit


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def wave_file(path):
    """One loud second of a 440 Hz tone as 16-bit PCM WAV."""
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(44100)
        w.writeframes(b"".join(struct.pack("<h", int(20000 * math.sin(2 * math.pi * 440 * i / 44100)))
                               for i in range(44100)))


def silent_mp3(path, seconds=1800):
    """MPEG-1 Layer III frames (128 kbit/s, 44.1 kHz, mono) with no coded sound: they
    decode to silence, so a long file needs no encoder."""
    frame = bytes([0xFF, 0xFB, 0x90, 0xC0]) + bytes(413)
    write(path, frame * math.ceil(seconds * 44100 / 1152))


class Case(td.ProgramCase):
    def launch_copy(self, directory, **env):
        """Starts a copy of the program that lives in `directory` (a copy, not a link:
        the program looks for its sound beside its real location)."""
        os.makedirs(directory, exist_ok=True)
        program = os.path.join(directory, "minute-alarm")
        shutil.copy2(td.PROGRAM, program)
        saved, td.PROGRAM = td.PROGRAM, program
        try:
            return self.launch(**env)
        finally:
            td.PROGRAM = saved

    def watch(self):
        self.titles = h.TitleWatch(self.win.id)
        self.addCleanup(self.titles.stop)
        self.probe = h.PingProbe(self.win.id)
        self.addCleanup(self.probe.stop)
        self.most_boxes = 0

    def boxes(self):
        count = sum(1 for w in self.x.windows_of(self.proc.pid) if self.x.title(w) == ERROR_BOX)
        self.most_boxes = max(self.most_boxes, count)
        return count

    def start_counting(self, target):
        self.press(*["F9"] * (20 - target))
        self.play_time(str(target))
        self.target = target
        self.press("F11")

    def next_alarm(self, gap=2):
        """Waits for the tick at the chosen second, then moves the chosen second `gap`
        seconds on. Returns the tick's time."""
        def tick():
            self.boxes()
            return next((t for t, title in self.titles.changes if title == str(self.target)), None)
        at = h.wait_for(tick, self.target + 3, 0.02, f"the tick showing {self.target}")
        self.press(*["F10"] * gap)
        self.target += gap
        self.play_time(str(self.target))
        return at

    def retarget(self, ahead=2):
        """Moves the chosen second to `ahead` seconds after the current one."""
        want = int(self.titles.changes[-1][1]) + ahead
        self.press(*(["F10"] * (want - self.target) + ["F9"] * (self.target - want)))
        self.target = want
        self.play_time(str(want))

    def assert_counting_went_on(self):
        titles = [t for _, t in self.titles.changes[1:]]
        self.assertEqual(titles, [str(i) for i in range(1, len(titles) + 1)], "the count")

    def assert_no_stall(self, since, what):
        worst = self.probe.worst_since(since)
        print(f"\n{what}: slowest answer to a ping {worst * 1000:.1f} ms over "
              f"{sum(1 for s, _ in self.probe.trips if s >= since)} pings")
        self.assertLessEqual(worst, MAX_STALL, f"{what}: the main loop stalled")

    def assert_heard_at(self, rec, tick, what):
        onsets = rec.onsets()
        self.assertTrue(any(-0.1 < o - tick < 0.3 for o in onsets),
                        f"{what}: no chime at the alarm tick; onsets "
                        f"{[round(o - tick, 3) for o in onsets]} s from it")

    def close_and_end(self):
        self.x.close_window(self.win)
        h.wait_for(lambda: self.proc.poll() is not None, 5, 0.02, "the program to end")
        self.assertEqual(self.proc.returncode, 0)


class BadSoundFile(Case):
    # (case, what to put at test.mp3, whether the bad file brings an error box). The
    # last row is a good file in an awkward place: it must simply play.
    CASES = [
        ("missing", lambda p: None, True),
        ("empty", lambda p: write(p, b""), True),
        ("random bytes", lambda p: write(p, random.Random(5).randbytes(65536)), True),
        ("wave file", wave_file, True),
        ("30-minute mp3", silent_mp3, False),
        ("directory", os.mkdir, True),
        ("odd path", None, False),
    ]

    def run_case(self, case, make, box_expected):
        good = os.path.join(os.path.dirname(td.PROGRAM), "test.mp3")
        directory = os.path.join(td.desk.tmp, case.replace(" ", "-"))
        if make is None:
            directory = os.path.join(td.desk.tmp, "a folder", "звук 音 été")
        sound = os.path.join(directory, "test.mp3")
        os.makedirs(directory)
        if make is None:
            shutil.copy(good, sound)
        else:
            make(sound)
        self.launch_copy(directory)
        rec = h.Recorder(td.desk)
        self.addCleanup(h._stop_group, rec.proc)
        self.watch()
        since = time.monotonic()
        self.start_counting(2)
        # A second apart, except where each chime must end before the next is heard.
        gap = 2 if make is None else 1
        alarms = [self.next_alarm(gap) for _ in range(3)]
        h.wait_for(lambda: self.boxes() or not box_expected, 2, 0.05, "an error box")
        self.assertEqual(self.most_boxes, 1 if box_expected else 0, "error boxes open at once")
        if make is None:
            for tick in alarms:
                self.assert_heard_at(rec, tick, case)

        # Fixed as a user would: the good file copied over the bad one.
        if os.path.isdir(sound):
            os.rmdir(sound)
        shutil.copy(good, sound + ".new")
        os.replace(sound + ".new", sound)
        self.retarget(3)
        fixed = self.next_alarm()
        time.sleep(0.5)
        self.boxes()
        self.assert_heard_at(rec, fixed, f"{case}, fixed")
        self.assertLessEqual(self.most_boxes, 1, "error boxes open at once")
        self.assert_counting_went_on()
        self.assert_no_stall(since, case)
        self.close_and_end()


for _case in BadSoundFile.CASES:
    setattr(BadSoundFile, "test_" + _case[0].replace(" ", "_").replace("-", "_"),
            lambda self, case=_case: self.run_case(*case))


class SoundServer(Case):
    FAILING = 3

    def test_gone_then_back(self):
        self.launch()
        self.watch()
        td.desk.stop_sound_server()
        since = time.monotonic()
        self.start_counting(2)
        for _ in range(self.FAILING):
            self.next_alarm()
        time.sleep(0.5)
        self.assertEqual((self.boxes(), self.most_boxes), (1, 1), "error boxes (now, at most)")
        # Once the user closes the box, the next failing alarm brings one box again.
        box = self.x.window_titled(self.proc.pid, ERROR_BOX)
        self.x.close_window(box)
        h.wait_for(lambda: not self.boxes(), 3, 0.05, "the box to close")
        self.next_alarm()
        h.wait_for(self.boxes, 3, 0.05, "a new error box")
        time.sleep(0.5)
        self.assertEqual((self.boxes(), self.most_boxes), (1, 1), "error boxes (now, at most)")
        with open(td.desk._log(self.log_name), errors="replace") as f:
            reports = f.read().count("sound server")
        self.assertEqual(reports, self.FAILING + 1, "one report on stderr per failing alarm")

        td.desk.start_sound_server()
        rec = h.Recorder(td.desk)
        self.addCleanup(h._stop_group, rec.proc)
        self.retarget()
        heard = self.next_alarm()
        time.sleep(0.5)
        self.assert_heard_at(rec, heard, "after the server came back")
        self.assert_counting_went_on()
        self.assert_no_stall(since, "without a sound server")
        self.close_and_end()


    def test_a_frozen_server_holds_neither_the_count_nor_the_exit(self):
        directory = os.path.join(td.desk.tmp, "frozen")
        os.makedirs(directory)
        silent_mp3(os.path.join(directory, "test.mp3"))
        self.launch_copy(directory)
        self.watch()
        since = time.monotonic()
        self.start_counting(2)
        self.next_alarm()
        time.sleep(0.5)
        os.killpg(td.desk.pulse.pid, signal.SIGSTOP)
        self.addCleanup(os.killpg, td.desk.pulse.pid, signal.SIGCONT)
        self.next_alarm()
        self.next_alarm()
        self.assert_counting_went_on()
        self.assert_no_stall(since, "with a frozen sound server")
        closing = time.monotonic()
        self.close_and_end()
        print(f"ended {(time.monotonic() - closing) * 1000:.0f} ms after the close")


class XServerGone(Case):
    def setUp(self):
        super().setUp()
        # Every connection of ours dies with the server too.
        self.focus.d.close = lambda: None

    def test_program_ends_promptly_without_a_core_dump(self):
        self.launch()
        self.press("F11")
        self.eventually(lambda: self.x.title(self.win), "2", 3, "title")
        os.killpg(td.desk.xvfb.pid, signal.SIGKILL)
        gone = time.monotonic()
        h.wait_for(lambda: self.proc.poll() is not None, 5, 0.01, "the program to end")
        print(f"\nended {(time.monotonic() - gone) * 1000:.0f} ms after the X server, "
              f"status {self.proc.returncode}")
        self.assertGreaterEqual(self.proc.returncode, 0, "ended by a signal")
        self.assertLess(time.monotonic() - gone, 2.0)


class Killed(Case):
    def test_the_x_server_frees_the_keys_of_a_killed_program(self):
        self.launch()
        self.press("F11")
        self.eventually(lambda: self.x.title(self.win), "1", 3, "title")
        self.proc.send_signal(signal.SIGKILL)
        self.proc.wait(5)
        self.assert_keys_free()


class HugePaste(Case):
    LENGTH = 100_000
    # Reads as 1234.5e6: spaces go, reading stops at the letters.
    TEXT = ("12 34.5e6 abc 音 " * LENGTH)[:LENGTH]

    def test_keys_and_ticks_stay_quick_with_a_huge_text(self):
        self.launch()
        self.watch()
        self.press("F11")
        clip = os.path.join(td.desk.tmp, "paste.txt")
        with open(clip, "w") as f:
            f.write(self.TEXT)
        xclip = td.desk.spawn(["xclip", "-quiet", "-selection", "clipboard", "-i", clip], "xclip")
        self.addCleanup(h._stop_group, xclip)
        td.desk.xdotool("windowfocus", "--sync", str(self.win.id))
        pasting = time.monotonic()
        self.press("ctrl+a", "ctrl+v")
        # GTK keeps at most 65535 bytes of it.
        pasted = h.wait_for(lambda: len(self.entry()[1]) > 50_000 and self.entry()[1], 10, 0.2,
                            "the pasted text")
        self.assertTrue(self.TEXT.startswith(pasted), "the text box holds a part of the paste")
        self.focus.focus()
        # GTK lays the whole line out again when it is pasted and when the box loses the
        # focus; that is GTK's own cost of such a text. From then on keys and ticks count.
        left = time.monotonic()
        h.wait_for(lambda: all(rtt < 0.02 for sent, rtt in self.probe.trips[-20:]
                               if sent > left) and self.probe.trips[-20][0] > left,
                   10, 0.05, "the main loop to settle after the paste")
        print(f"\npaste and focus change: slowest answer to a ping "
              f"{self.probe.worst_since(pasting) * 1000:.1f} ms")

        since = time.monotonic()
        ticks = len(self.titles.changes)
        h.wait_for(lambda: len(self.titles.changes) >= ticks + 3, 5, 0.05, "three ticks")
        self.press("F10")
        self.play_time("1234500001")
        self.press("F9", "F9")
        self.play_time("1234499999")
        ticks = len(self.titles.changes)
        h.wait_for(lambda: len(self.titles.changes) >= ticks + 2, 4, 0.05, "two more ticks")
        self.assert_counting_went_on()
        self.assert_no_stall(since, "after the paste")
        self.close_and_end()


if __name__ == "__main__":
    td.PROGRAM = os.path.abspath(sys.argv.pop(1))
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("terminated"))  # still clean up
    unittest.main(verbosity=2, warnings="ignore")
