#!/usr/bin/python3
"""What a desktop offers a tray program, on a private session bus, recorded
in a file instead of shown: a notification server
(org.freedesktop.Notifications) and a tray host (org.kde.StatusNotifierWatcher
with a host registered, so the program's tray icon registers its
StatusNotifierItem here). Every Notify call and every new tool tip of the
item is written as one line, after the time in milliseconds since the epoch:
    MS<TAB>notify<TAB>summary<TAB>body (line ends as \\n)
    MS<TAB>tip<TAB>title
usage: fake_desktop_bus.py BUS_ADDRESS RECORD_FILE"""
import sys
import time

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

NOTIFICATIONS = "org.freedesktop.Notifications"
WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"


def record(path, *fields):
    text = "\t".join(f.replace("\\", "\\\\").replace("\n", "\\n").replace("\t", " ")
                     for f in fields)
    with open(path, "a") as out:
        out.write("%d\t%s\n" % (time.time_ns() // 1000000, text))


class Notifications(dbus.service.Object):
    def __init__(self, bus, path):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.path = path
        self.last_id = 0

    @dbus.service.method(NOTIFICATIONS, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        self.last_id += 1
        record(self.path, "notify", str(summary), str(body))
        return dbus.UInt32(self.last_id)

    @dbus.service.method(NOTIFICATIONS, out_signature="as")
    def GetCapabilities(self):
        return ["body"]

    @dbus.service.method(NOTIFICATIONS, out_signature="ssss")
    def GetServerInformation(self):
        return ("fake", "pontavi-tests", "1", "1.2")


class Watcher(dbus.service.Object):
    def __init__(self, bus, path):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.bus = bus
        self.path = path
        self.items = []
        self.last_tip = None

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        # Qt names its own bus name or an object path; the item lives at
        # /StatusNotifierItem of the sender either way.
        name = service if not service.startswith("/") else sender
        object_path = service if service.startswith("/") else "/StatusNotifierItem"
        self.items.append((name, object_path))
        self.StatusNotifierItemRegistered(service)
        self.bus.add_signal_receiver(
            lambda *args: self.read_tip(sender, object_path),
            signal_name="NewToolTip", dbus_interface=ITEM, bus_name=sender)
        self.read_tip(sender, object_path)

    def read_tip(self, name, object_path):
        item = self.bus.get_object(name, object_path)
        item.Get(ITEM, "ToolTip", dbus_interface=dbus.PROPERTIES_IFACE,
                 reply_handler=self.tip_read, error_handler=lambda e: None)

    def tip_read(self, tip):
        title = str(tip[2])
        if title != self.last_tip:
            self.last_tip = title
            record(self.path, "tip", title)

    @dbus.service.method(WATCHER, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, service):
        pass

    # Qt reads the properties through the introspection data, which
    # dbus-python writes without them.
    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, out_signature="s")
    def Introspect(self):
        return """<node name="/StatusNotifierWatcher">
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
  </interface>
  <interface name="org.freedesktop.DBus.Properties">
    <method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
    <method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
  </interface>
</node>"""

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.GetAll(interface)[name]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        if interface != WATCHER:
            raise dbus.exceptions.DBusException(
                "no such interface", name="org.freedesktop.DBus.Error.UnknownInterface")
        return {
            "IsStatusNotifierHostRegistered": dbus.Boolean(True),
            "ProtocolVersion": dbus.Int32(0),
            "RegisteredStatusNotifierItems": dbus.Array([n for n, _ in self.items],
                                                        signature="s"),
        }


def main():
    address, path = sys.argv[1], sys.argv[2]
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(address)
    keep = [Notifications(bus, path), Watcher(bus, path)]
    names = [dbus.service.BusName(NOTIFICATIONS, bus), dbus.service.BusName(WATCHER, bus)]
    record(path, "ready")
    GLib.MainLoop().run()
    del keep, names


if __name__ == "__main__":
    main()
