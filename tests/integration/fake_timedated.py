#!/usr/bin/python3
"""A stand-in for systemd-timedated on a private bus: answers the NTP
property and records every SetTime call in a file instead of setting the
clock.  usage: fake_timedated.py BUS_ADDRESS RECORD_FILE MODE
MODE: 0 (NTP off), 1 (NTP on), refuse (NTP off, SetTime denied as polkit
would deny it)"""
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

IFACE = "org.freedesktop.timedate1"


class TimeDate(dbus.service.Object):
    def __init__(self, bus, record, mode):
        super().__init__(bus, "/org/freedesktop/timedate1")
        self.record = record
        self.ntp = mode == "1"
        self.refuse = mode == "refuse"

    @dbus.service.method(IFACE, in_signature="xbb")
    def SetTime(self, usec, relative, interactive):
        if self.refuse:
            raise dbus.exceptions.DBusException(
                "Interactive authentication required.",
                name="org.freedesktop.DBus.Error.InteractiveAuthorizationRequired")
        with open(self.record, "a") as out:
            out.write("%d %d %d\n" % (usec, int(relative), int(interactive)))

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if interface == IFACE and name == "NTP":
            return dbus.Boolean(self.ntp)
        raise dbus.exceptions.DBusException(
            "no such property", name="org.freedesktop.DBus.Error.UnknownProperty")


def main():
    address, record, mode = sys.argv[1], sys.argv[2], sys.argv[3]
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(address)
    keep = dbus.service.BusName(IFACE, bus)
    service = TimeDate(bus, record, mode)
    print("ready", flush=True)
    GLib.MainLoop().run()
    del keep, service


if __name__ == "__main__":
    main()
