#!/usr/bin/python3
"""A stand-in for the desktop portal's GlobalShortcuts on the session bus: logs each call as a
JSON line; answers BindShortcuts as GNOME's portal does (code 2, the shortcuts in the results)
or, with "refuse", as a user who declines (code 1); Activate(id) emits Activated."""
import json, sys
import dbus, dbus.service, dbus.mainloop.glib
from gi.repository import GLib

P, GS = "/org/freedesktop/portal/desktop", "org.freedesktop.portal.GlobalShortcuts"
dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()


def log(*call):
    print(json.dumps(call), flush=True)


class Request(dbus.service.Object):
    @dbus.service.signal("org.freedesktop.portal.Request", "ua{sv}")
    def Response(self, code, results):
        GLib.idle_add(self.remove_from_connection)


class Session(dbus.service.Object):
    @dbus.service.method("org.freedesktop.portal.Session", "", "")
    def Close(self):
        log("Close", self._object_path)


class Portal(dbus.service.Object):
    session = ""

    def answer(self, sender, token, code, results):
        path = f"{P}/request/{sender[1:].replace('.', '_')}/{token}"
        request = Request(bus, path)
        GLib.idle_add(lambda: request.Response(code, results))  # after the method's reply
        return path

    @dbus.service.method("org.freedesktop.DBus.Properties", "ss", "v")
    def Get(self, interface, name):
        return dbus.UInt32(1)

    @dbus.service.method("org.freedesktop.host.portal.Registry", "sa{sv}", "")
    def Register(self, app_id, options):
        log("Register", app_id)

    @dbus.service.method(GS, "a{sv}", "o", sender_keyword="sender")
    def CreateSession(self, options, sender):
        log("CreateSession", sorted(options), [[s, dict(d)] for s, d in options["shortcuts"]])
        self.session = f"{P}/session/{sender[1:].replace('.', '_')}/{options['session_handle_token']}"
        Session(bus, self.session)
        return self.answer(sender, options["handle_token"], 0, {"session_handle": self.session})

    @dbus.service.method(GS, "oa(sa{sv})sa{sv}", "o", sender_keyword="sender")
    def BindShortcuts(self, session, shortcuts, parent, options, sender):
        log("BindShortcuts", session == self.session, [[s, dict(d)] for s, d in shortcuts])
        refuse = sys.argv[1:] == ["refuse"]
        return self.answer(sender, options["handle_token"], 1 if refuse else 2,
                           {} if refuse else {"shortcuts": shortcuts})

    @dbus.service.signal(GS, "osta{sv}")
    def Activated(self, session, shortcut_id, timestamp, options):
        pass

    @dbus.service.method("org.example.PortalDouble", "s", "")
    def Activate(self, shortcut_id):
        self.Activated(self.session, shortcut_id, 0, {})


portal = Portal(bus, P)
name = dbus.service.BusName("org.freedesktop.portal.Desktop", bus)
log("ready")
GLib.MainLoop().run()
