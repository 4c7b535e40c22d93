#!/usr/bin/python3
"""minute-alarm.exe under Wine on a private desktop, in a fresh prefix. Wine hands hot keys
only to its own windows, so the keys go to the program's window; probe.exe reads the texts.
Usage: blackbox.py MINUTE_ALARM_EXE PROBE_EXE"""
import contextlib, os, subprocess, sys, time
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import harness as h  # noqa: E402

EXE, PROBE = (os.path.abspath(a) for a in sys.argv[1:3])
WINE = next(w for w in ("/usr/lib/wine/wine64", "/usr/bin/wine64") if os.path.exists(w))
desk = h.Desktop()
env = dict(WINEPREFIX=os.path.join(desk.tmp, "prefix"), WINEDEBUG="-all",
           WINEDLLOVERRIDES="mscoree,mshtml=")


def texts():
    out = subprocess.run([WINE, PROBE], env={**desk.env, **env}, capture_output=True, text=True,
                         timeout=30)
    return out.stdout.splitlines()


def until(index, expected, timeout=10):
    return h.wait(lambda: texts()[index:index + 1] == [expected], timeout, f"{expected!r}")


def key(win, *keys):
    desk.xdotool("windowfocus", "--sync", str(win.id))
    desk.keys(*keys, delay=60)


try:
    # A fresh prefix takes 12 s idle for 64-bit Wine alone; one that also holds 32-bit Wine
    # makes both halves, and the lint runs beside: the bound is loose.
    subprocess.run([WINE, "wineboot", "-i"], env={**desk.env, **env}, capture_output=True,
                   check=True, timeout=150)
    app = desk.spawn(WINE, EXE, **env)
    win = h.wait(lambda: desk.windows(title="hot key F11"), 30, "main window")[0]
    h.wait(lambda: texts()[:4] == ["hot key F11", "stop", "20", "Minute Alarm \u00b7 F11 start/stop"],
           10, lambda: f"the first texts (they are {texts()})")
    rec = desk.record()
    key(win, *["F9"] * 17)
    until(2, "3")
    key(win, "F11")  # the title's 3 is waited for first: a slow probe could miss it
    # Wine on a loaded machine can take seconds to act on a key: the bound is loose. Wine sends
    # a title to the X server only once the thread waits again, so the alarm's first play can
    # hold the 3 back until the next second's title replaces it: the count reaching 3 is the
    # first title of 3 or more.
    heard = h.wait(lambda: desk.title(win).isdigit() and int(desk.title(win)) >= 3
                   and time.monotonic(), 30, lambda: f"title 3 (the title: {desk.title(win)!r})")
    until(1, "Stop Timer")
    until(0, "5")
    with contextlib.suppress(TimeoutError):  # a late chime is to be seen late, not missed
        h.wait(lambda: rec.onsets, heard + 3 - time.monotonic(), "chime")
    onsets = [round(o - heard, 3) for o in rec.onsets]
    assert len(onsets) == 1 and -0.1 < onsets[0] < 1, \
        f"chimes {onsets} s from the title 3; texts {texts()}; log {open(app.log).read()[-500:]!r}"
    desk.stop(desk.pulse)  # an alarm may now bring an error box; the count goes on
    key(win, *["F10"] * 5)
    until(0, "9")
    key(win, "F11")
    until(1, "Start Timer")

    # A second instance finds F11 taken, says so and ends when its box is answered.
    second = desk.spawn(WINE, EXE, **env)
    box = h.wait(lambda: desk.windows(title="Minute Alarm"), 30, "message box")[0]
    assert texts()[-1] == "box: 這個熱鍵已被其他程式使用", texts()
    key(box, "Return")
    assert second.wait(10) == 0
    desk.close_window(win)
    assert app.wait(10) == 0
    print("passed")
finally:
    subprocess.run([os.path.join(os.path.dirname(WINE), "wineserver"), "-k"], env={**desk.env, **env})
    desk.close()
