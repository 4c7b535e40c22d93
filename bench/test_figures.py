#!/usr/bin/python3
"""The benchmark's arithmetic: if it is wrong, every figure the benchmark prints is."""

import array
import os
import sys
import unittest

sys.dont_write_bytecode = True  # no __pycache__ left in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import figures as fig  # noqa: E402


class TickNumbers(unittest.TestCase):
    def test_titles_become_tick_numbers(self):
        cases = [
            ("counts on", ["1", "2", "3"], [0, 1, 2]),
            ("wraps after 60", ["59", "60", "1", "2"], [0, 1, 2, 3]),
            ("a coalesced tick leaves a gap", ["3", "5", "6"], [0, 2, 3]),
            ("a gap across the wrap", ["59", "2"], [0, 3]),
            ("the name before the start is not a tick", ["hot key F11", "1", "2"], [0, 1]),
            ("starts anywhere", ["41", "42"], [0, 1]),
        ]
        for name, titles, expected in cases:
            with self.subTest(name):
                changes = [(float(i), t) for i, t in enumerate(titles)]
                self.assertEqual([n for _, n in fig.tick_numbers(changes)], expected)


class Drift(unittest.TestCase):
    def test_a_timer_that_runs_slow(self):
        # +3000 ppm: each tick 3 ms later than the one before.
        ticks = [(100 + n * 1.003, n) for n in range(601)]
        d = fig.drift(ticks)
        self.assertAlmostEqual(d["ppm"], 3000, places=3)
        self.assertAlmostEqual(d["end_ms"], 1800, places=3)
        self.assertAlmostEqual(d["worst_ms"], 1800, places=3)

    def test_an_exact_grid_with_one_late_tick(self):
        ticks = [(7 + n + (0.015 if n == 40 else 0.0), n) for n in range(121)]
        d = fig.drift(ticks)
        self.assertAlmostEqual(d["end_ms"], 0, places=6)
        self.assertAlmostEqual(d["worst_ms"], 15, places=6)
        self.assertLess(abs(d["ppm"]), 5)

    def test_the_grid_runs_through_the_earliest_tick(self):
        # Every tick 2 ms late except one: lateness is measured from that one.
        ticks = [(n + (0.0 if n == 3 else 0.002), n) for n in range(10)]
        d = fig.drift(ticks)
        self.assertAlmostEqual(d["end_ms"], 2, places=6)

    def test_too_few_ticks(self):
        with self.assertRaises(ValueError):
            fig.drift([(0.0, 0), (1.0, 1)])


class Onsets(unittest.TestCase):
    def test_each_alarm_gets_the_first_sound_after_it(self):
        alarms = [10.0, 20.0, 30.0]
        onsets = [10.006, 10.5, 19.99, 45.0]
        delays, silent = fig.onset_delays(alarms, onsets)
        self.assertEqual([round(d, 3) for d in delays], [6.0, -10.0])
        self.assertEqual(silent, [30.0])

    def test_a_sound_long_after_the_alarm_is_not_its_chime(self):
        delays, silent = fig.onset_delays([10.0], [11.2])
        self.assertEqual((delays, silent), ([], [10.0]))


class SoundArrivals(unittest.TestCase):
    @staticmethod
    def chunk(stamp, values):
        return (stamp, array.array("h", values).tobytes())

    def test_a_sound_arrives_with_the_read_that_brought_it(self):
        quiet = [0] * 441  # 10 ms at 44.1 kHz
        chunks = [self.chunk(1.0, quiet), self.chunk(1.01, quiet[:200] + [5000] + quiet[201:]),
                  self.chunk(1.02, [-6000] * 441),  # the same sound goes on
                  self.chunk(1.5, quiet * 40), self.chunk(1.6, [3000] + quiet)]
        self.assertEqual(fig.sound_arrivals(chunks, quiet=0.3), [1.01, 1.6])

    def test_a_gap_shorter_than_the_quiet_time_is_one_sound(self):
        chunks = [self.chunk(2.0, [5000] + [0] * 4410 + [5000])]  # 100 ms apart
        self.assertEqual(fig.sound_arrivals(chunks, quiet=0.3), [2.0])


class Usage(unittest.TestCase):
    def test_wake_ups_and_cpu_between_snapshots(self):
        before = {"1": ("minute-alarm", 100, 1.0), "2": ("gmain", 50, 0.5)}
        after = {"1": ("minute-alarm", 110, 1.25), "2": ("gmain", 50, 0.5),
                 "3": ("minute-alarm", 4, 0.25)}  # a thread born meanwhile
        switches, cpu, woke = fig.usage_delta(before, after)
        self.assertEqual(switches, 14)
        self.assertAlmostEqual(cpu, 0.5)
        self.assertEqual(woke, {"minute-alarm": 14})


class Goals(unittest.TestCase):
    def test_one_missed_goal_fails_the_table(self):
        table = fig.Table()
        table.add("a", "1", "<= 2", True)
        self.assertTrue(table.all_met())
        table.add("b", "3", "<= 2", False, "beside")
        self.assertFalse(table.all_met())
        lines = table.render().splitlines()
        self.assertEqual(len(lines), 4)
        self.assertTrue(lines[3].startswith("b ") and lines[3].endswith("NO"))


if __name__ == "__main__":
    unittest.main()
