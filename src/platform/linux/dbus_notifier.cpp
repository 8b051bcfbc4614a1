#include "platform/linux/dbus_notifier.h"

#include <gio/gio.h>

namespace pontavi {
namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kAppName = "Pontavi!";
constexpr const char* kIcon = "mail-unread";

struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
struct VariantUnref {
    void operator()(GVariant* value) const { g_variant_unref(value); }
};

}  // namespace

void DBusNotifier::ConnectionUnref::operator()(GDBusConnection* connection) const {
    g_object_unref(connection);
}

void DBusNotifier::ContextUnref::operator()(GMainContext* context) const {
    g_main_context_unref(context);
}

DBusNotifier::DBusNotifier(std::string busAddress)
    : busAddress_(std::move(busAddress)), context_(g_main_context_new()) {}

void DBusNotifier::Notify(const std::string& summary, const std::string& body) {
    worker_.post([this, summary, body] { send(summary, body); });
}

std::string DBusNotifier::EscapeBodyMarkup(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

bool DBusNotifier::connect() {
    if (bus_ && !g_dbus_connection_is_closed(bus_.get())) {
        return true;
    }
    bus_.reset();
    bodyMarkup_.reset();
    GError* raw = nullptr;
    GDBusConnection* connection = nullptr;
    if (busAddress_.empty()) {
        // A fresh connection rather than GIO's shared one, so closing it
        // here cannot pull the bus from under other users in the process.
        gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &raw);
        if (address != nullptr) {
            connection = g_dbus_connection_new_for_address_sync(
                address,
                static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                  G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                nullptr, nullptr, &raw);
            g_free(address);
        }
    } else {
        connection = g_dbus_connection_new_for_address_sync(
            busAddress_.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &raw);
    }
    std::unique_ptr<GError, ErrorFree> error(raw);
    if (connection == nullptr) {
        return false;
    }
    g_dbus_connection_set_exit_on_close(connection, FALSE);
    bus_.reset(connection);
    return true;
}

void DBusNotifier::send(const std::string& summary, const std::string& body) {
    // What GDBus schedules for this thread goes to a context of its own,
    // never to the default one that the GUI's loop may run.
    g_main_context_push_thread_default(context_.get());
    sendOnWorker(summary, body);
    g_main_context_pop_thread_default(context_.get());
}

// Whether the service reads markup in the body. A service that does not
// answer is taken to read it: escaping shows the text, never less.
bool DBusNotifier::bodyMarkup() {
    if (bodyMarkup_) {
        return *bodyMarkup_;
    }
    GError* raw = nullptr;
    std::unique_ptr<GVariant, VariantUnref> reply(g_dbus_connection_call_sync(
        bus_.get(), kService, kPath, kService, "GetCapabilities", nullptr, G_VARIANT_TYPE("(as)"),
        G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, &raw));
    std::unique_ptr<GError, ErrorFree> error(raw);
    if (!reply) {
        return true;
    }
    bool markup = false;
    GVariantIter* capabilities = nullptr;
    const gchar* capability = nullptr;
    g_variant_get(reply.get(), "(as)", &capabilities);
    while (g_variant_iter_loop(capabilities, "&s", &capability)) {
        markup = markup || std::string_view(capability) == "body-markup";
    }
    g_variant_iter_free(capabilities);
    bodyMarkup_ = markup;
    return markup;
}

void DBusNotifier::sendOnWorker(const std::string& summary, const std::string& body) {
    if (!connect()) {
        return;
    }
    const std::string shownBody = bodyMarkup() ? EscapeBodyMarkup(body) : body;
    GVariantBuilder actions;
    g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&hints, "{sv}", "category", g_variant_new_string("email.arrived"));
    // Texts that are not UTF-8 would make GVariant refuse the call; they are
    // shown with replacement characters instead.
    gchar* safeSummary = g_utf8_make_valid(summary.c_str(), static_cast<gssize>(summary.size()));
    gchar* safeBody = g_utf8_make_valid(shownBody.c_str(), static_cast<gssize>(shownBody.size()));
    GVariant* parameters = g_variant_new("(susssasa{sv}i)", kAppName, 0u, kIcon, safeSummary,
                                         safeBody, &actions, &hints, -1);
    g_free(safeSummary);
    g_free(safeBody);
    GError* raw = nullptr;
    std::unique_ptr<GVariant, VariantUnref> reply(g_dbus_connection_call_sync(
        bus_.get(), kService, kPath, kService, "Notify", parameters, G_VARIANT_TYPE("(u)"),
        G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, &raw));
    std::unique_ptr<GError, ErrorFree> error(raw);
    if (reply) {
        ++delivered_;
    }
}

}  // namespace pontavi
