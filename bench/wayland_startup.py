#!/usr/bin/python3
"""Exec to window of Minute Alarm on headless GNOME: its native Wayland window beside the same
program made to use Xwayland (GDK_BACKEND=x11), launched in turns, 15 of each. A window counts
from when AT-SPI shows its frame. Prints both medians, the median of the paired differences and
the spreads. Runs in the Debian 13 root of the Wayland tests: tests/wayland/run.sh --startup"""
import glob, os, statistics, sys, time
sys.path.insert(0, "/opt/minute-alarm/tests/wayland")
sys.argv[1:] = ["gnome"]
import session  # noqa: E402
from harness import wait  # noqa: E402

ROUNDS = 15


def launch(**env):
    """Seconds from exec to the program's frame showing; the program is then ended."""
    import pyatspi
    started = time.monotonic()
    prog = session.spawn(session.PROGRAM, **env)
    showing = lambda: [a for app in session.texts() if app.get_process_id() == prog.pid
                       for a in app if a.getState().contains(pyatspi.STATE_SHOWING)]
    wait(showing, 30, "the program's window")
    took = time.monotonic() - started
    prog.terminate()
    prog.wait()
    return took


def main():
    keys, settle = session.gnome()
    # The program sent to Xwayland needs its cookie; the native one needs no X server at all.
    os.environ["XAUTHORITY"] = wait(lambda: glob.glob(
        os.environ["XDG_RUNTIME_DIR"] + "/.mutter-Xwaylandauth.*"), 10, "Xwayland's cookie")[0]
    prog = session.spawn(session.PROGRAM)  # the first start asks, and stores the keys
    wait(lambda: [settle(), keys.press("Alt_L", "a")] and session.stored(), 20, "the keys stored")
    time.sleep(2)
    prog.terminate()
    prog.wait()
    launch(GDK_BACKEND="x11")  # Xwayland starts on demand: not counted
    native, xwayland = [], []
    for i in range(ROUNDS):
        for kind in (("native", "x11") if i % 2 else ("x11", "native")):
            (native if kind == "native" else xwayland).append(
                launch(GDK_BACKEND=None if kind == "native" else "x11"))
    ms = lambda xs: f"{statistics.median(xs) * 1000:.0f} ms (min {min(xs) * 1000:.0f}, max {max(xs) * 1000:.0f})"
    diffs = [x - n for n, x in zip(native, xwayland)]
    print(f"start-up on GNOME 48, exec to window, {ROUNDS} of each in turns: native {ms(native)}, "
          f"Xwayland {ms(xwayland)}; Xwayland less native, paired: {ms(diffs)}")


if __name__ == "__main__":
    main() if os.getuid() else session.as_user(__file__)
