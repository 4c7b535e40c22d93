#!/usr/bin/python3
"""Takes the README's picture: the program on a private desktop with a window manager, at
the chosen second, title bar included. Usage: docs/screenshot.py PROGRAM [PNG]"""
import os, struct, sys, time, zlib
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
import harness as h  # noqa: E402
from Xlib import X  # noqa: E402

program, png = sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else "docs/screenshot.png"
desk = h.Desktop()
try:
    desk.spawn("openbox", "--sm-disable")
    time.sleep(1)
    proc = desk.spawn(os.path.abspath(program))
    def client():  # window managers put clients in frames of their own
        listed = desk.root.get_full_property(desk.x.intern_atom("_NET_CLIENT_LIST"), X.AnyPropertyType)
        return [w for w in map(desk.x.create_resource_object, ["window"] * 99, listed.value if listed else [])
                if desk.title(w) == "hot key F11"]
    win = h.wait(client, 15, "main window")[0]
    desk.keys(*["F9"] * 17, "F11")
    h.wait(lambda: desk.title(win) == "3", 10, "title 3")
    time.sleep(0.4)  # the window manager redraws its title bar
    while (parent := win.query_tree().parent).id != desk.root.id:
        win = parent  # the frame
    geo = win.get_geometry()
    data = desk.root.get_image(geo.x, geo.y, geo.width, geo.height, X.ZPixmap, 0xFFFFFFFF).data
    rows = b"".join(b"\0" + bytes(b for i in range(geo.width) for b in data[(y * geo.width + i) * 4:][:3][::-1])
                    for y in range(geo.height))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    with open(png, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", geo.width, geo.height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))
finally:
    desk.close()
