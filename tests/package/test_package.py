#!/usr/bin/python3
"""The Debian package unpacked: its files, lintian's verdict, and the program started through
its /usr/bin link chiming at the chosen second; the Windows zips' contents.
Usage: test_package.py DEB [ZIP...]"""
import os, subprocess, sys, tempfile, time, zipfile
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import harness as h  # noqa: E402

root = tempfile.mkdtemp()
subprocess.run(["dpkg-deb", "-x", sys.argv[1], root], check=True)
files = {os.path.relpath(os.path.join(d, f), root) for d, _, names in os.walk(root) for f in names}
assert files == {f"usr/{f}" for f in open(os.path.join(os.path.dirname(__file__), "files"))
                 .read().split()}, files
lintian = subprocess.run(["lintian", sys.argv[1]], capture_output=True, text=True).stdout
assert not [line for line in lintian.splitlines() if line.startswith("E: ")], lintian
for name in sys.argv[2:]:
    names = {os.path.basename(n) for n in zipfile.ZipFile(name).namelist()}
    assert names - {""} == {"minute-alarm.exe", "readme.txt", "test.mp3"}, names
desk = h.Desktop()
try:
    proc = desk.spawn(os.path.join(root, "usr/bin/minute-alarm"))
    win = h.wait(lambda: desk.windows(proc.pid, "hot key F11"), 15, "main window")[0]
    rec = desk.record()
    desk.keys(*["F9"] * 17, "F11")
    heard = h.wait(lambda: desk.title(win) == "3" and time.monotonic(), 10, "title 3")
    time.sleep(0.5)
    assert [abs(o - heard) < 0.5 for o in rec.onsets] == [True], (heard, rec.onsets)
    desk.close_window(win)
    assert proc.wait(5) == 0
finally:
    desk.close()
print("package: passed")
