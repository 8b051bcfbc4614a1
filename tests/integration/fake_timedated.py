#!/usr/bin/python3
"""A stand-in for systemd-timedated on a private bus: answers the NTP
property and records every SetTime call in a file instead of setting the
clock.  usage: fake_timedated.py BUS_ADDRESS RECORD_FILE NTP(0|1)"""
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

IFACE = "org.freedesktop.timedate1"


class TimeDate(dbus.service.Object):
    def __init__(self, bus, record, ntp):
        super().__init__(bus, "/org/freedesktop/timedate1")
        self.record = record
        self.ntp = ntp

    @dbus.service.method(IFACE, in_signature="xbb")
    def SetTime(self, usec, relative, interactive):
        with open(self.record, "a") as out:
            out.write("%d %d %d\n" % (usec, int(relative), int(interactive)))

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if interface == IFACE and name == "NTP":
            return dbus.Boolean(self.ntp)
        raise dbus.exceptions.DBusException(
            "no such property", name="org.freedesktop.DBus.Error.UnknownProperty")


def main():
    address, record, ntp = sys.argv[1], sys.argv[2], sys.argv[3] == "1"
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(address)
    keep = dbus.service.BusName(IFACE, bus)
    service = TimeDate(bus, record, ntp)
    print("ready", flush=True)
    GLib.MainLoop().run()
    del keep, service


if __name__ == "__main__":
    main()
