#!/usr/bin/python3
"""The Debian package unpacked: its files, the verdicts of lintian and the desktop's validators
and the binary's hardening; the Windows zips: contents, icon sizes, version fields, header
flags. (The program found through a link to it, and its sound beside it: the desktop test.)
Usage: test_package.py DEB [ZIP...]"""
import os, re, subprocess, sys, tempfile, zipfile

root = tempfile.mkdtemp()
subprocess.run(["dpkg-deb", "-x", sys.argv[1], root], check=True)
files = {os.path.relpath(os.path.join(d, f), root) for d, _, names in os.walk(root) for f in names}
assert files == {f"usr/{f}" for f in open(os.path.join(os.path.dirname(__file__), "files"))
                 .read().split()}, files
run = lambda *a: subprocess.run(a, capture_output=True, text=True).stdout
share = os.path.join(root, "usr/share")
for report in (run("lintian", sys.argv[1]), run("desktop-file-validate", *[os.path.join(
        share, "applications", f) for f in os.listdir(share + "/applications")]),
               run("appstreamcli", "validate", "--pedantic", "--no-net", *[os.path.join(
                   share, "metainfo", f) for f in os.listdir(share + "/metainfo")])):
    assert not re.search(r"^[EW]: |error|warning", report, re.M | re.I), report
elf = run("readelf", "-lhdsW", os.path.join(root, "usr/lib/minute-alarm/minute-alarm"))
for mark in ("DYN (Position-Independent", "GNU_RELRO", "BIND_NOW", "__stack_chk_fail", "_chk@"):
    assert mark in elf, f"hardening: no {mark}"
for name in sys.argv[2:]:
    z = zipfile.ZipFile(name)
    names = {os.path.basename(n): n for n in z.namelist()}
    assert names.keys() - {""} == {"minute-alarm.exe", "readme.txt", "test.mp3"}, names
    exe = z.extract(names["minute-alarm.exe"], root)
    flags = run("objdump", "-p", exe)  # 0x20 high-entropy VA (64-bit), 0x40 ASLR, 0x100 DEP
    want = 0x160 if "pe-x86-64" in flags else 0x140
    assert int(re.search(r"DllCharacteristics\s+(\w+)", flags)[1], 16) & want == want, flags
    subprocess.run(["wrestool", "-x", "-t", "14", "-o", root + "/icon.ico", exe], check=True)
    sizes = re.findall(r"--width=(\d+)", run("icotool", "-l", root + "/icon.ico"))
    assert sorted(map(int, sizes)) == [16, 24, 32, 48, 256], sizes
    info = subprocess.run(["wrestool", "-x", "-t", "16", "--raw", exe], capture_output=True)
    info = info.stdout.decode("utf-16-le", "replace").replace("\0", " ")
    for field in ("CompanyName  Minute Alarm", "ProductName  Minute Alarm", "FileVersion  1.0",
                  "OriginalFilename  minute-alarm.exe", "LegalCopyright  Copyright 20"):
        assert re.search(field.replace("  ", " +"), info), f"{name}: no {field} in {info}"
print("package: passed")
