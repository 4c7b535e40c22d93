#!/usr/bin/python3
"""The Linux program on a private desktop, watched only from outside; keys come while another
client has the focus. Usage: test_desktop.py PROGRAM [scenario]"""
import os, random, shutil, signal, sys, time, unittest
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import harness as h  # noqa: E402

PROGRAM, TITLE, NAME = None, "hot key F11", "Minute Alarm"


class Scenario(unittest.TestCase):
    def setUp(self):
        self.desk = h.Desktop()
        self.addCleanup(self.desk.close)

    def launch(self, sound=None, title=TITLE, **env):
        # Through a link, as from /usr/bin: the program looks for its sound beside itself.
        os.symlink(PROGRAM, program := os.path.join(self.desk.tmp, "minute-alarm"))
        if sound:  # a copy of the program, beside a test.mp3 of its own
            os.mkdir(folder := os.path.join(self.desk.tmp, "copy"))
            program = shutil.copy(PROGRAM, folder)
            sound(os.path.join(folder, "test.mp3"))
        self.proc = self.desk.spawn(program, **env)
        self.addCleanup(lambda: self.assertNotRegex(open(self.proc.log).read(), "Sanitizer|runtime error"))
        self.addCleanup(self.desk.stop, self.proc)
        self.win = h.wait(lambda: self.desk.windows(self.proc.pid, title), 15, title)[0]
        self.presses = self.desk.focus_elsewhere()

    def until(self, get, timeout=3):
        return h.wait(get, timeout, "the expected state")

    def text(self, role="text"):
        return h.texts(self.proc.pid, role)

    def tick(self, title, timeout=3):  # when the title showed it
        return self.until(lambda: self.desk.title(self.win) == title and time.monotonic(), timeout)

    def choose(self, second):
        now = int(self.text()[0])
        self.desk.keys(*(["F10"] * (second - now) + ["F9"] * (now - second)), delay=20)
        self.until(lambda: self.text() == [str(second)])

    def alarm_ahead(self, ahead=3):  # chooses a second a few ticks on; when its tick came
        second = int(self.desk.title(self.win)) + ahead
        self.choose(second)
        return self.tick(str(second), ahead + 1)

    def heard(self, recorder, tick):
        time.sleep(0.5)
        self.assertTrue([o for o in recorder.onsets if abs(o - tick) < 0.5], (tick, recorder.onsets))


class Basic(Scenario):
    def test_keys_chime_output_device_stop_repeat_and_close(self):
        self.launch(WAYLAND_DISPLAY="wayland-0")  # a Wayland session whose portal has no keys
        self.assertIn("no desktop portal offers global shortcuts", open(self.proc.log).read())
        rec = self.desk.record()
        self.assertEqual((self.win.get_geometry().width, self.win.get_geometry().height), (236, 80))
        icon = self.until(lambda: self.win.get_full_property(
            self.desk.x.intern_atom("_NET_WM_ICON"), h.X.AnyPropertyType))
        self.assertEqual(list(icon.value[:2]), [48, 48])
        self.assertEqual((self.text(), self.text("label")[0]), (["20"], "stop"))
        self.assertEqual(h.texts(self.proc.pid, "text", name=True), ["Alarm second"])
        self.desk.keys("Num_Lock", "Caps_Lock")  # locks must not get in the way
        self.choose(2)
        self.desk.keys("Num_Lock", "Caps_Lock", "F11")
        self.until(lambda: "Stop Timer" in self.text("label"))
        first = self.tick("2")
        self.choose(7)
        self.tick("4")  # the first chime is over: PulseAudio moves a playing one to a new default
        self.desk.pactl("load-module", "module-null-sink", "sink_name=other")
        self.desk.pactl("set-default-sink", "other")  # the next chime follows the new output
        other = self.desk.record("other")  # a new sink's monitor takes some 2 s to sound
        second = self.tick("7")
        self.desk.keys("F11")
        self.until(lambda: "Start Timer" in self.text("label"))
        time.sleep(1.2)
        self.assertEqual(self.desk.title(self.win), "7", "the title moved after the stop")
        for recorder, tick in ((rec, first), (other, second)):
            self.assertEqual(len(recorder.onsets), 1, "one chime on each output")
            self.heard(recorder, tick)
        self.desk.xdotool("keydown", "F10", "sleep", "1.5", "keyup", "F10")  # the desktop repeats
        self.assertGreater(int(self.text()[0]), 10)
        self.assertFalse({"F9", "F10", "F11"} & set(self.presses()), "keys reached the focused window")
        self.desk.close_window(self.win)
        self.assertEqual(self.proc.wait(5), 0)
        self.assertEqual(self.desk.grab(["F9", "F10", "F11"]), [], "keys held after the end")


class TakenKey(Scenario):
    def test_message_then_end_releasing_the_keys_it_took(self):
        holder = h.display.Display()
        self.assertEqual(self.desk.grab(["F10"], h.X.Mod2Mask, holder), [])  # with NumLock only
        self.launch(title=NAME)
        self.assertEqual(self.desk.windows(self.proc.pid), [self.win], "only the message shows")
        self.desk.close_window(self.win)
        self.assertEqual(self.proc.wait(5), 0)
        self.assertEqual(self.desk.grab(["F9", "F11"]), [])


class BadSoundFile(Scenario):
    def test_one_box_and_the_count_goes_on(self):
        self.launch(lambda path: open(path, "wb").write(random.Random(5).randbytes(65536)))
        self.choose(2)
        self.desk.keys("F11")
        self.tick("2")
        for _ in range(2):  # faults while the box is open bring no box of their own
            self.alarm_ahead()
        self.until(lambda: len(self.desk.windows(self.proc.pid, NAME)) == 1)
        count = int(self.desk.title(self.win))
        time.sleep(2.2)
        self.assertGreaterEqual(int(self.desk.title(self.win)), count + 2, "the count stalled")
        self.desk.close_window(self.win)
        self.assertEqual(self.proc.wait(5), 0)


class ServersGone(Scenario):
    def test_sound_server_gone_and_back_then_the_x_server_gone(self):
        self.launch()
        self.desk.stop(self.desk.pulse)
        self.choose(2)
        self.desk.keys("F11")
        self.tick("2")
        self.until(lambda: len(self.desk.windows(self.proc.pid, NAME)) == 1)
        self.desk.start_sound()
        rec = self.desk.record()
        self.heard(rec, self.alarm_ahead())
        self.desk.stop(self.desk.xvfb, signal.SIGKILL)
        self.assertGreaterEqual(self.proc.wait(5), 0, "ended by a signal")


if __name__ == "__main__":
    PROGRAM = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
