#!/usr/bin/python3
"""Black-box test of minute-alarm.exe under Wine, in a private X server and a
fresh Wine prefix, driven from outside by probe.exe in the same prefix.

Usage: blackbox.py MINUTE_ALARM_EXE PROBE_EXE
"""
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import time

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
VK_F9, VK_F10, VK_F11 = 0x78, 0x79, 0x7A
CREDIT = "Minute Alarm \u2014 hot-key timer"
HOT_KEY_TAKEN = "這個熱鍵已被其他程式使用"

failures = []


def check(what, ok, detail=""):
    print(("PASS " if ok else "FAIL ") + what + ("" if ok else f": {detail}"), flush=True)
    if not ok:
        failures.append(what)


def poll(get, condition, timeout):
    """Calls get until its result meets condition; gives (result, seconds waited or None)."""
    start = time.monotonic()
    while True:
        value = get()
        waited = time.monotonic() - start
        if condition(value):
            return value, waited
        if waited > timeout:
            return value, None
        time.sleep(0.05)


def exit_code(process, timeout):
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        return "still running"


class Probe:
    """probe.exe: one command a line in, one answer a line out."""

    def __init__(self, env, exe):
        self.process = subprocess.Popen([WINE, exe], env=env, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        if self.lines.get(timeout=60) != "ok ready":
            raise RuntimeError("probe did not start")

    def _read(self):
        for raw in self.process.stdout:
            self.lines.put(raw.decode("utf-8").rstrip("\r\n"))

    def ask(self, command):
        self.process.stdin.write((command + "\n").encode())
        self.process.stdin.flush()
        return self.lines.get(timeout=15)  # queue.Empty: the probe hangs

    def texts(self):
        """The main window's title, Label1, playTime and Label2; [] without a window."""
        answer = self.ask("texts")
        return answer[3:].split("\t") if answer.startswith("ok ") else []

    def wait_text(self, index, expected, timeout=5):
        return poll(self.texts, lambda t: t[index:index + 1] == [expected], timeout)

    def expect(self, what, index, expected):
        texts, waited = self.wait_text(index, expected)
        check(what, waited is not None, texts)
        return texts

    def press(self, key):
        self.ask(f"key {key}")

    def stop(self):
        self.process.stdin.close()
        if exit_code(self.process, 10) == "still running":
            self.process.kill()


def run(app_exe, probe_exe, env):
    app = subprocess.Popen([WINE, app_exe], env=env)
    second = None
    probe = Probe(env, probe_exe)
    try:
        texts, _ = poll(probe.texts, lambda t: len(t) == 4, 30)
        check("initial texts", texts == ["hot key F11", "stop", "20", CREDIT], texts)

        # F11 starts the count: one second to the first tick, then one a second.
        probe.press(VK_F11)
        probe.expect("F11 switches on: Label1 reads 'Stop Timer'", 1, "Stop Timer")
        texts, first = probe.wait_text(0, "1")
        check("first tick about one second after F11", first is not None and 0.5 < first < 1.8,
              f"{first} s, {texts}")
        texts, third = probe.wait_text(0, "3")
        check("title counts 1, 2, 3 a second apart",
              third is not None and 1.6 < third < 2.5, f"{third} s, {texts}")

        # F9 and F10 rewrite the text box.
        for key, expected in ((VK_F9, "19"), (VK_F10, "20"), (VK_F10, "21")):
            probe.press(key)
            probe.expect(f"key {key:#x} makes playTime {expected}", 2, expected)

        # A second instance finds F11 taken, says so and ends when its box is dismissed.
        second = subprocess.Popen([WINE, app_exe], env=env)
        answer, _ = poll(lambda: probe.ask("box"), lambda a: a.startswith("ok "), 30)
        check("second instance reports the taken hot key", answer == "ok " + HOT_KEY_TAKEN, answer)
        check("second instance has not ended before its box is dismissed", second.poll() is None)
        probe.ask("boxok")
        code = exit_code(second, 10)
        check("second instance ends after OK with code 0", code == 0, code)

        # The first instance still counts and still owns its keys.
        before = probe.texts()
        texts, moved = poll(probe.texts, lambda t: t[:1] not in ([], before[:1]), 3)
        check("first instance still counts", moved is not None, f"{before} -> {texts}")
        probe.press(VK_F9)
        probe.expect("first instance still takes F9", 2, "20")

        # F11 stops the count; the title keeps its last number.
        probe.press(VK_F11)
        stopped = probe.expect("F11 switches off: Label1 reads 'Start Timer'", 1, "Start Timer")
        time.sleep(1.5)
        texts = probe.texts()
        check("title stays after the stop", texts[:1] == stopped[:1] and stopped[0].isdigit(),
              f"{stopped} -> {texts}")

        # Closing the window ends the program.
        probe.ask("close")
        code = exit_code(app, 5)
        check("program ends with code 0 when its window closes", code == 0, code)
    finally:
        probe.stop()
        for process in (app, second):
            if process is not None and process.poll() is None:
                process.kill()
                process.wait()


def main():
    app_exe, probe_exe = (os.path.abspath(arg) for arg in sys.argv[1:3])
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        display = ":" + pipe.readline().strip()
    prefix_dir = tempfile.mkdtemp(prefix="minute-alarm-wine-")
    env = dict(os.environ, DISPLAY=display, WINEPREFIX=os.path.join(prefix_dir, "prefix"),
               WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    env.pop("WAYLAND_DISPLAY", None)
    try:
        subprocess.run([WINE, "wineboot", "-i"], env=env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
        run(app_exe, probe_exe, env)
    except Exception as error:  # report, then clean up
        check("test ran to the end", False, repr(error))
    finally:
        subprocess.run([WINESERVER, "-k"], env=env, stderr=subprocess.DEVNULL)
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(prefix_dir, ignore_errors=True)
    print(f"{len(failures)} failure(s)" if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
