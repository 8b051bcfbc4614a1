#include "platform/linux/dialup_choice.h"

#include <gio/gio.h>

#include <cstring>

#include "platform/linux/network_manager_dialup.h"

namespace pontavi {

namespace {

constexpr int kAskTimeOutMs = 1000;

}  // namespace

DialUpKind ChooseDialUp(const char* forced, const std::function<bool()>& networkManagerRunning) {
    if (forced != nullptr && std::strcmp(forced, "pppd") == 0) {
        return DialUpKind::Pppd;
    }
    if (forced != nullptr && std::strcmp(forced, "networkmanager") == 0) {
        return DialUpKind::NetworkManager;
    }
    return networkManagerRunning() ? DialUpKind::NetworkManager : DialUpKind::Pppd;
}

bool NetworkManagerRunning() {
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, nullptr);
    if (bus == nullptr) {
        return false;
    }
    // The shared connection must not end the program when the bus goes.
    g_dbus_connection_set_exit_on_close(bus, FALSE);
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "NameHasOwner", g_variant_new("(s)", "org.freedesktop.NetworkManager"),
        G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, kAskTimeOutMs, nullptr, nullptr);
    g_object_unref(bus);
    if (reply == nullptr) {
        return false;
    }
    gboolean owned = FALSE;
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
    return owned != FALSE;
}

DialUpBackends::DialUpBackends(EventLoop& loop, InterfaceSource& interfaces, DialUpKind kind)
    : kind_(kind), ppp_(loop, PppPaths::FromEnvironment(), interfaces) {
    if (kind_ == DialUpKind::NetworkManager) {
        networkManager_ = std::make_unique<NetworkManagerDialUp>(loop, ppp_, interfaces);
    }
}

DialUpBackends::~DialUpBackends() = default;

DialUpService& DialUpBackends::service() {
    return networkManager_ ? *networkManager_ : static_cast<DialUpService&>(ppp_);
}

std::string DialUpBackends::Description() const {
    if (kind_ == DialUpKind::NetworkManager) {
        return "Dial-up: the phone book is NetworkManager's mobile broadband, PPPoE and "
               "Bluetooth DUN profiles.";
    }
    return "Dial-up: the phone book is pppd's peers folder " +
           PppPaths::FromEnvironment().peersFolder.string() + ".";
}

}  // namespace pontavi
