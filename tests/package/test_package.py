#!/usr/bin/python3
"""Tests of the built packages: the Debian package's metadata, layout and lintian
verdict, the unpacked program started through its /usr/bin symlink, and the Windows
zips.

Usage: test_package.py --deb-dir DIR [--zip-dir DIR ...] [--screenshot PNG]
                       [unittest arguments]

The program run also saves a screenshot of its window, title bar included, to the
--screenshot file (docs/screenshot.png is refreshed from it).
"""

import argparse
import configparser
import gzip
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ElementTree
import zipfile
import zlib

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "desktop"))
import harness as h  # noqa: E402  (found through the path above)

from Xlib import X, Xatom  # noqa: E402

ARGS = None
SOUND = os.path.join(ROOT, "assets", "test.mp3")
TITLE = "hot key F11"


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
        return re.search(r"project\(\S+\s+VERSION\s+([0-9.]+)", f.read()).group(1)


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", data[16:24])


def write_png(path, width, height, rows):
    """Writes 8-bit RGB rows; the standard library has no image writer."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data)))
    raw = b"".join(b"\0" + row for row in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n"
                + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


class Deb(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.version = project_version()
        cls.deb = os.path.join(ARGS.deb_dir, f"minute-alarm_{cls.version}_amd64.deb")
        cls.root = tempfile.mkdtemp(prefix="minute-alarm-deb-")
        cls.addClassCleanup(shutil.rmtree, cls.root, ignore_errors=True)
        subprocess.run(["dpkg-deb", "-x", cls.deb, cls.root], check=True)

    def path(self, name):
        return os.path.join(self.root, name.lstrip("/"))

    def field(self, name):
        return subprocess.run(["dpkg-deb", "-f", self.deb, name], check=True,
                              capture_output=True, text=True).stdout.strip()


class DebContents(Deb):
    # Every file the package holds: (path, kind, mode).
    LAYOUT = [
        ("usr/bin/minute-alarm", "link", None),
        ("usr/lib/minute-alarm/minute-alarm", "file", 0o755),
        ("usr/lib/minute-alarm/test.mp3", "file", 0o644),
        ("usr/share/applications/minute-alarm.desktop", "file", 0o644),
        ("usr/share/icons/hicolor/scalable/apps/minute-alarm.svg", "file", 0o644),
        ("usr/share/icons/hicolor/48x48/apps/minute-alarm.png", "file", 0o644),
        ("usr/share/man/man1/minute-alarm.1.gz", "file", 0o644),
        ("usr/share/doc/minute-alarm/copyright", "file", 0o644),
        ("usr/share/doc/minute-alarm/changelog.gz", "file", 0o644),
    ]

    def test_control_fields(self):
        self.assertEqual(self.field("Package"), "minute-alarm")
        self.assertEqual(self.field("Version"), self.version)
        self.assertEqual(self.field("Architecture"), "amd64")
        self.assertEqual(self.field("Section"), "utils")
        # dpkg-shlibdeps names the libraries the program links, with versions.
        depends = {d.split()[0] for d in self.field("Depends").split(", ")}
        for library in ("libc6", "libgtk-3-0", "libglib2.0-0", "libx11-6", "libmpg123-0",
                        "libpulse0", "libstdc++6"):
            self.assertIn(library, depends)

    def test_every_file_in_its_place(self):
        found = set()
        for top, _, files in os.walk(self.root):
            found.update(os.path.relpath(os.path.join(top, f), self.root) for f in files)
        self.assertEqual(found, {p for p, _, _ in self.LAYOUT})
        for path, kind, mode in self.LAYOUT:
            with self.subTest(path=path):
                full = self.path(path)
                self.assertEqual(os.path.islink(full), kind == "link")
                if mode is not None:
                    self.assertEqual(os.stat(full).st_mode & 0o7777, mode)

    def test_bin_symlink_is_relative_and_reaches_the_program(self):
        link = self.path("usr/bin/minute-alarm")
        self.assertFalse(os.path.isabs(os.readlink(link)), os.readlink(link))
        self.assertEqual(os.path.realpath(link),
                         os.path.realpath(self.path("usr/lib/minute-alarm/minute-alarm")))

    def test_default_sound_beside_the_program(self):
        self.assertEqual(digest(self.path("usr/lib/minute-alarm/test.mp3")), digest(SOUND))

    def test_desktop_entry(self):
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(self.path("usr/share/applications/minute-alarm.desktop"), encoding="utf-8")
        e = entry["Desktop Entry"]
        self.assertEqual((e["Type"], e["Exec"], e["Icon"], e["Terminal"]),
                         ("Application", "minute-alarm", "minute-alarm", "false"))
        self.assertIn("Utility", e["Categories"].rstrip(";").split(";"))
        # The command and icon the entry names are the ones the package ships.
        self.assertTrue(os.access(self.path("usr/bin/" + e["Exec"]), os.X_OK))
        self.assertTrue(os.path.exists(
            self.path(f"usr/share/icons/hicolor/48x48/apps/{e['Icon']}.png")))

    def test_icons(self):
        with open(self.path("usr/share/icons/hicolor/48x48/apps/minute-alarm.png"), "rb") as f:
            self.assertEqual(png_size(f.read()), (48, 48))
        svg = ElementTree.parse(self.path("usr/share/icons/hicolor/scalable/apps/minute-alarm.svg"))
        self.assertEqual(svg.getroot().tag, "{http://www.w3.org/2000/svg}svg")

    def test_man_page(self):
        page = self.path("usr/share/man/man1/minute-alarm.1.gz")
        with gzip.open(page, "rt", encoding="utf-8") as f:
            self.assertNotIn("@", f.read(), "an unconfigured placeholder")
        shown = subprocess.run(["man", "--warnings", "-l", page], capture_output=True,
                               text=True, env={**os.environ, "MANWIDTH": "80", "LC_ALL": "C.UTF-8"})
        self.assertEqual((shown.returncode, shown.stderr), (0, ""))
        text = " ".join(shown.stdout.split())  # undo the line filling
        for expected in ("NAME minute-alarm -", "KEYS", "F11", "F9", "F10",
                         "/usr/lib/minute-alarm/test.mp3", "這個熱鍵已被其他程式使用",
                         "X11 LIMITS", "Wayland", f"Minute Alarm {self.version}"):
            self.assertIn(expected, text)

    def test_lintian_reports_no_errors(self):
        out = subprocess.run(["lintian", "--pedantic", "--info", self.deb],
                             capture_output=True, text=True)
        print(f"\nlintian {os.path.basename(self.deb)}:\n{out.stdout}{out.stderr}", end="")
        self.assertNotEqual(out.returncode, 2, "lintian could not check the package")
        errors = [line for line in out.stdout.splitlines() if line.startswith("E: ")]
        self.assertEqual((errors, out.returncode), ([], 0))


class UnpackedProgram(Deb):
    """The unpacked program, started as a user would (its /usr/bin symlink), under a
    window manager so the screenshot shows its title bar."""
    TARGET = "3"
    MAX_ONSET = 0.150  # chime onset to the title showing the chosen second, seconds

    def client_window(self, x, pid):
        clients = x.prop(x.root, "_NET_CLIENT_LIST", Xatom.WINDOW) or []
        for wid in clients:
            win = x.d.create_resource_object("window", wid)
            pids = x.prop(win, "_NET_WM_PID", Xatom.CARDINAL)
            if pids and pids[0] == pid and x.title(win) == TITLE:
                return win
        return None

    def frame_of(self, x, win):
        while (parent := win.query_tree().parent).id != x.root.id:
            win = parent
        return win

    def screenshot(self, x, win):
        frame = self.frame_of(x, win)
        geo = frame.get_geometry()  # the frame's parent is the root: root coordinates
        width, height = geo.width + 2 * geo.border_width, geo.height + 2 * geo.border_width
        image = x.root.get_image(geo.x, geo.y, width, height, X.ZPixmap, 0xFFFFFFFF)
        data, stride = image.data, len(image.data) // height
        rows = [bytes(b for i in range(width) for b in data[y * stride + 4 * i:][:3][::-1])
                for y in range(height)]
        write_png(ARGS.screenshot, width, height, rows)
        return width, height

    def test_started_through_the_symlink_it_counts_and_chimes_at_the_chosen_second(self):
        desk = h.Desktop()
        self.addCleanup(desk.stop)
        desk.spawn(["openbox", "--sm-disable"], "openbox")
        x = h.Xclient()
        self.addCleanup(x.close)
        h.wait_for(lambda: x.prop(x.root, "_NET_SUPPORTING_WM_CHECK"), 10, 0.05,
                   "the window manager")
        rec = h.Recorder(desk)

        proc = desk.spawn([self.path("usr/bin/minute-alarm")], "program")
        self.addCleanup(h._stop_group, proc)
        win = h.wait_for(lambda: self.client_window(x, proc.pid), 15, 0.05, "the main window")
        watch = h.TitleWatch(win.id)
        self.addCleanup(watch.stop)
        app = h.accessible_app(proc.pid)
        desk.xdotool("key", "--delay", "40", *["F9"] * (20 - int(self.TARGET)))
        h.wait_for(lambda: ("text", "playTime", self.TARGET) in h.accessible_widgets(app), 5,
                   0.05, f"the chosen second {self.TARGET}")
        desk.xdotool("key", "F11")
        h.wait_for(lambda: watch.changes[-1][1] == self.TARGET, 10, 0.02, "the chosen second")
        time.sleep(0.4)  # the window manager redraws its title bar
        size = self.screenshot(x, win)
        h.wait_for(lambda: watch.changes[-1][1] == str(int(self.TARGET) + 2), 5, 0.02,
                   "two more ticks")
        desk.xdotool("key", "F11")
        time.sleep(0.3)

        ticks = watch.changes[1:]
        self.assertEqual([t for _, t in ticks], [str(i) for i in range(1, int(self.TARGET) + 3)])
        at_target = next(stamp for stamp, title in ticks if title == self.TARGET)
        onsets = rec.onsets()
        delays = [round((o - at_target) * 1000, 1) for o in onsets]
        print(f"\nchime onsets relative to the title showing {self.TARGET}: {delays} ms; "
              f"screenshot {size[0]}x{size[1]} saved to {ARGS.screenshot}")
        self.assertEqual(len(delays), 1, f"one chime expected, onsets at {delays} ms")
        self.assertLessEqual(abs(delays[0]), self.MAX_ONSET * 1000)
        self.assertIsNone(proc.poll(), "the program ended")

        x.close_window(win)
        self.assertEqual(proc.wait(5), 0)


class WindowsZips(unittest.TestCase):
    # Build folder name -> PE machine type of the program in its zip.
    MACHINES = {"build-win32": 0x14C, "build-win64": 0x8664}

    def test_each_zip_holds_the_program_its_sound_and_a_readme(self):
        if not ARGS.zip_dir:
            self.skipTest("no Windows build given (--zip-dir)")
        version = project_version()
        for build in ARGS.zip_dir:
            arch = os.path.basename(os.path.normpath(build)).removeprefix("build-")
            with self.subTest(arch=arch):
                top = f"minute-alarm-{version}-{arch}"
                with zipfile.ZipFile(os.path.join(build, top + ".zip")) as z:
                    names = {n for n in z.namelist() if not n.endswith("/")}
                    self.assertEqual(names, {f"{top}/minute-alarm.exe", f"{top}/test.mp3",
                                             f"{top}/readme.txt"})
                    exe = z.read(f"{top}/minute-alarm.exe")
                    pe = struct.unpack_from("<I", exe, 0x3C)[0]
                    self.assertEqual(exe[:2], b"MZ")
                    self.assertEqual(exe[pe:pe + 4], b"PE\0\0")
                    self.assertEqual(struct.unpack_from("<H", exe, pe + 4)[0],
                                     self.MACHINES[f"build-{arch}"])
                    self.assertEqual(hashlib.sha256(z.read(f"{top}/test.mp3")).hexdigest(),
                                     digest(SOUND))
                    readme = z.read(f"{top}/readme.txt").decode("utf-8")
                    self.assertIn(f"Minute Alarm {version} for Windows ({arch})", readme)
                    self.assertNotIn("@", readme, "an unconfigured placeholder")
                    self.assertNotIn("\n", readme.replace("\r\n", ""), "a bare LF in the readme")


if __name__ == "__main__":
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--deb-dir", required=True)
    parser.add_argument("--zip-dir", action="append", default=[])
    parser.add_argument("--screenshot", default=None)
    ARGS, rest = parser.parse_known_args()
    ARGS.screenshot = os.path.abspath(ARGS.screenshot or os.path.join(ARGS.deb_dir, "screenshot.png"))
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2, warnings="ignore")
