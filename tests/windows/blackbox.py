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
    return ok


def start_xvfb():
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        display = pipe.readline().strip()
    if not display:
        server.kill()
        raise RuntimeError("Xvfb did not start")
    return server, ":" + display


class Probe:
    """probe.exe: one command a line in, one answer a line out."""

    def __init__(self, env, exe):
        self.process = subprocess.Popen([WINE, exe], env=env, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        if self._answer(60) != "ok ready":
            raise RuntimeError("probe did not start")

    def _read(self):
        for raw in self.process.stdout:
            self.lines.put(raw.decode("utf-8").rstrip("\r\n"))

    def _answer(self, timeout):
        try:
            return self.lines.get(timeout=timeout)
        except queue.Empty:
            raise RuntimeError("probe did not answer") from None

    def ask(self, command):
        self.process.stdin.write((command + "\n").encode())
        self.process.stdin.flush()
        return self._answer(15)

    def texts(self):
        answer = self.ask("texts")
        return answer[3:].split("\t") if answer.startswith("ok ") else None

    def wait_texts(self, condition, timeout):
        """Polls the window's texts until condition holds; gives (texts, seconds waited)."""
        start = time.monotonic()
        texts = None
        while time.monotonic() - start < timeout:
            texts = self.texts()
            if texts is not None and condition(texts):
                return texts, time.monotonic() - start
            time.sleep(0.05)
        return texts, None

    def press(self, key):
        self.ask(f"key {key}")

    def stop(self):
        if self.process.poll() is None:
            self.process.stdin.close()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()


def field(index, expected):
    return lambda texts: len(texts) > index and texts[index] == expected


def run(app_exe, probe_exe, env):
    app = subprocess.Popen([WINE, app_exe], env=env)
    second = None
    probe = Probe(env, probe_exe)
    try:
        texts, _ = probe.wait_texts(lambda t: len(t) == 4, 30)
        check("window with three controls appears", texts is not None and len(texts) == 4, texts)
        check("initial texts", texts == ["hot key F11", "stop", "20", CREDIT], texts)

        # F11 starts the count: one second to the first tick, then one a second.
        probe.press(VK_F11)
        texts, _ = probe.wait_texts(field(1, "Stop Timer"), 5)
        check("F11 switches on: Label1 reads 'Stop Timer'", texts[1] == "Stop Timer", texts)
        texts, first = probe.wait_texts(field(0, "1"), 5)
        check("first tick about one second after F11", first is not None and 0.5 < first < 1.8,
              f"{first} s, {texts}")
        texts, third = probe.wait_texts(field(0, "3"), 5)
        check("title counts 1, 2, 3 a second apart",
              third is not None and 1.6 < third < 2.5, f"{third} s, {texts}")

        # F9 and F10 rewrite the text box.
        for key, expected in ((VK_F9, "19"), (VK_F10, "20"), (VK_F10, "21")):
            probe.press(key)
            texts, _ = probe.wait_texts(field(2, expected), 5)
            check(f"key {key:#x} makes playTime {expected}", texts[2] == expected, texts)

        # A second instance finds F11 taken, says so and ends when its box is dismissed.
        second = subprocess.Popen([WINE, app_exe], env=env)
        deadline = time.monotonic() + 30
        answer = probe.ask("box")
        while not answer.startswith("ok ") and time.monotonic() < deadline:
            time.sleep(0.2)
            answer = probe.ask("box")
        check("second instance reports the taken hot key", answer == "ok " + HOT_KEY_TAKEN, answer)
        check("second instance has not ended before its box is dismissed", second.poll() is None)
        probe.ask("boxok")
        try:
            code = second.wait(timeout=10)
        except subprocess.TimeoutExpired:
            code = "still running"
        check("second instance ends after OK with code 0", code == 0, code)

        # The first instance still counts and still owns its keys.
        before = probe.texts()
        texts, _ = probe.wait_texts(lambda t: t[0] != before[0], 3)
        check("first instance still counts", texts[0] != before[0], f"{before} -> {texts}")
        probe.press(VK_F9)
        texts, _ = probe.wait_texts(field(2, "20"), 5)
        check("first instance still takes F9", texts[2] == "20", texts)

        # F11 stops the count; the title keeps its last number.
        probe.press(VK_F11)
        texts, _ = probe.wait_texts(field(1, "Start Timer"), 5)
        check("F11 switches off: Label1 reads 'Start Timer'", texts[1] == "Start Timer", texts)
        stopped = texts[0]
        time.sleep(1.5)
        texts = probe.texts()
        check("title stays after the stop", texts[0] == stopped and stopped.isdigit(),
              f"{stopped} -> {texts}")

        # Closing the window ends the program.
        check("close posted", probe.ask("close") == "ok")
        try:
            code = app.wait(timeout=5)
        except subprocess.TimeoutExpired:
            code = "still running"
        check("program ends with code 0 when its window closes", code == 0, code)
    finally:
        probe.stop()
        for process in (app, second):
            if process is not None and process.poll() is None:
                process.kill()
                process.wait()


def main():
    app_exe, probe_exe = (os.path.abspath(arg) for arg in sys.argv[1:3])
    for exe in (app_exe, probe_exe):
        if not os.path.isfile(exe):
            print(f"FAIL no such program: {exe}")
            return 1
    xvfb, display = start_xvfb()
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
