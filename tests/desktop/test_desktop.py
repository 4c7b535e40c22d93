#!/usr/bin/python3
"""The Linux program on a private desktop, watched only from outside; keys come while another
client has the focus. Usage: test_desktop.py PROGRAM [scenario]"""
import os, random, shutil, signal, sys, time, unittest
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import harness as h  # noqa: E402
from Xlib import X  # noqa: E402

PROGRAM, TITLE, NAME = None, "hot key F11", "Minute Alarm"


class Scenario(unittest.TestCase):
    def setUp(self):
        self.desk = h.Desktop()
        self.addCleanup(self.desk.close)

    def launch(self, sound=None, title=TITLE):
        program = PROGRAM
        if sound is not None:  # a copy of the program, beside its own test.mp3
            os.makedirs(folder := os.path.join(self.desk.tmp, "copy"))
            program = shutil.copy(PROGRAM, folder)
            sound(os.path.join(folder, "test.mp3"))
        self.proc = self.desk.spawn(program)
        self.addCleanup(self.ended_cleanly)
        self.win = h.wait(lambda: self.desk.windows(self.proc.pid, title), 15, title)[0]
        self.presses = self.desk.focus_elsewhere()

    def ended_cleanly(self):
        self.desk.stop(self.proc)
        self.assertNotRegex(open(self.proc.log.name).read(), "Sanitizer|runtime error")

    def text(self, role):
        return [t for r, _, t in self.desk.widgets(self.proc.pid) if r == role]

    def until(self, get, expected, timeout=3):
        return h.wait(lambda: get() == expected, timeout, f"{expected!r}, still {get()!r}")

    def tick(self, title, timeout=65):  # when the title showed it
        return h.wait(lambda: self.desk.title(self.win) == title and time.monotonic(), timeout, title)

    def choose(self, second):
        now = int(self.text("text")[0])
        self.desk.keys(*(["F10"] * (second - now) + ["F9"] * (now - second)), delay=20)
        self.until(lambda: self.text("text"), [str(second)])

    def close(self):
        self.desk.close_window(self.win)
        self.assertEqual(self.proc.wait(5), 0)
        self.assertEqual(self.desk.grab(["F9", "F10", "F11"]), [], "keys held after the end")


class Basic(Scenario):
    def test_keys_chime_stop_and_close(self):
        self.launch()
        self.assertEqual(self.desk.title(self.win), TITLE)
        self.assertEqual((self.win.get_geometry().width, self.win.get_geometry().height), (236, 80))
        self.assertEqual(self.text("label")[0], "stop")
        rec = self.desk.record()
        self.desk.keys("Num_Lock", "Caps_Lock")  # locks must not get in the way
        self.choose(2)
        self.desk.keys("Num_Lock", "Caps_Lock", "F11")
        self.until(lambda: "Stop Timer" in self.text("label"), True)
        heard = self.tick("2", 3)
        self.desk.pactl("load-module", "module-null-sink", "sink_name=other")
        self.desk.pactl("set-default-sink", "other")  # the next chime follows the new output
        other = self.desk.record("other")
        self.choose(4)
        moved = self.tick("4", 3)
        self.desk.keys("F11")
        self.until(lambda: "Start Timer" in self.text("label"), True)
        time.sleep(1.2)
        self.assertEqual(self.desk.title(self.win), "4", "the title moved after the stop")
        for chimes, tick in ((rec.onsets, heard), (other.onsets, moved)):
            self.assertEqual(len(chimes), 1, f"one chime per sink: {chimes}")
            self.assertLess(abs(chimes[0] - tick), 0.5)
        self.desk.xdotool("keydown", "F10", "sleep", "1.5", "keyup", "F10")  # the desktop repeats it
        self.assertGreater(int(self.text("text")[0]), 10)
        fkeys = {self.desk.keycode(k) for k in ("F9", "F10", "F11")}
        self.assertEqual(fkeys & set(self.presses()), set(), "hot keys reached the focused window")
        self.close()


class TakenKey(Scenario):
    def test_message_then_end_releasing_the_keys_it_took(self):
        holder = h.display.Display()
        self.assertEqual(self.desk.grab(["F10"], X.Mod2Mask, holder), [])  # NumLock on only
        self.launch(title=NAME)
        self.assertEqual(self.desk.windows(self.proc.pid), [self.win], "the main window shows")
        self.until(lambda: "這個熱鍵已被其他程式使用" in self.text("label"), True, 10)
        self.desk.close_window(self.win)
        self.assertEqual(self.proc.wait(5), 0)
        self.assertEqual(self.desk.grab(["F9", "F11"]), [])


def corrupt(path):
    with open(path, "wb") as f:
        f.write(random.Random(5).randbytes(65536))


class BadSoundFile(Scenario):
    def test_one_box_while_counting_then_the_fixed_file_plays(self):
        self.launch(corrupt)
        rec = self.desk.record()
        self.choose(2)
        self.desk.keys("F11")
        ticks = [self.tick("2", 3)]
        for second in (3, 4):  # faults while the box is open bring no box of their own
            self.choose(second)
            ticks.append(self.tick(str(second), 3))
        self.until(lambda: len(self.desk.windows(self.proc.pid, NAME)), 1)
        self.assertTrue(all(0.75 < b - a < 1.25 for a, b in zip(ticks, ticks[1:])), ticks)
        shutil.copy(os.path.join(os.path.dirname(PROGRAM), "test.mp3"), self.proc.args[0] + ".mp3")
        os.replace(self.proc.args[0] + ".mp3", os.path.dirname(self.proc.args[0]) + "/test.mp3")
        self.choose(6)
        heard = self.tick("6", 5)
        time.sleep(0.5)
        self.assertTrue(any(abs(o - heard) < 0.5 for o in rec.onsets), "the fixed file is silent")
        self.close()


class ServersGone(Scenario):
    def test_sound_server_gone_and_back_then_the_x_server_gone(self):
        self.launch()
        self.desk.stop(self.desk.pulse)
        self.choose(2)
        self.desk.keys("F11")
        self.tick("2", 3)
        self.until(lambda: len(self.desk.windows(self.proc.pid, NAME)), 1)
        self.desk.start_sound()
        rec = self.desk.record()
        self.choose(5)
        heard = self.tick("5", 5)
        time.sleep(0.5)
        self.assertTrue(any(abs(o - heard) < 0.5 for o in rec.onsets), "silent after the server came back")
        self.desk.stop(self.desk.xvfb, signal.SIGKILL)
        self.assertGreaterEqual(self.proc.wait(5), 0, "ended by a signal")


if __name__ == "__main__":
    PROGRAM = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
