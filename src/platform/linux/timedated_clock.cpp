#include "platform/linux/timedated_clock.h"

#include <gio/gio.h>

#include <chrono>
#include <string>

namespace pontavi {

namespace {

constexpr const char* kService = "org.freedesktop.timedate1";
constexpr const char* kPath = "/org/freedesktop/timedate1";
constexpr int kCallTimeOutMs = 10'000;
constexpr const char* kHowToAllow =
    " (to allow it, grant org.freedesktop.timedate1.set-time to this user with a polkit rule)";

// GLib objects released on every path.
struct Unref {
    void operator()(gpointer p) const { g_object_unref(p); }
};
struct VariantUnref {
    void operator()(GVariant* v) const { g_variant_unref(v); }
};
struct ErrorFree {
    void operator()(GError* e) const { g_error_free(e); }
};
using Connection = std::unique_ptr<GDBusConnection, Unref>;
using Variant = std::unique_ptr<GVariant, VariantUnref>;
using Error = std::unique_ptr<GError, ErrorFree>;

std::string messageOf(GError* error) {
    if (error == nullptr) {
        return "unknown error";
    }
    gchar* remote = g_dbus_error_get_remote_error(error);
    std::string text;
    if (remote != nullptr) {
        g_dbus_error_strip_remote_error(error);
        text = std::string(error->message) + " [" + remote + "]";
        g_free(remote);
    } else {
        text = error->message;
    }
    return text;
}

Variant call(GDBusConnection* bus, const char* interface, const char* method, GVariant* args,
             const GVariantType* reply, Error& error) {
    GError* raw = nullptr;
    Variant result(g_dbus_connection_call_sync(bus, kService, kPath, interface, method, args, reply,
                                               G_DBUS_CALL_FLAGS_NONE, kCallTimeOutMs, nullptr,
                                               &raw));
    error.reset(raw);
    return result;
}

}  // namespace

SystemClock::Result AskTimedated(std::int64_t moveMillis) {
    GError* raw = nullptr;
    Connection bus(g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, &raw));
    Error error(raw);
    if (!bus) {
        return {SystemClock::Outcome::Refused,
                "the system bus cannot be reached (" + messageOf(error.get()) + ")"};
    }
    // timedated is started by the bus on demand (activation); where it does
    // not exist the bus answers at once and the NTP question fails with it.
    Variant ntp = call(bus.get(), "org.freedesktop.DBus.Properties", "Get",
                       g_variant_new("(ss)", kService, "NTP"), G_VARIANT_TYPE("(v)"), error);
    if (ntp) {
        Variant boxed(g_variant_get_child_value(ntp.get(), 0));
        Variant inner(g_variant_get_variant(boxed.get()));
        if (g_variant_is_of_type(inner.get(), G_VARIANT_TYPE_BOOLEAN) &&
            g_variant_get_boolean(inner.get())) {
            return {SystemClock::Outcome::KeptByNtp, {}};
        }
    } else {
        return {SystemClock::Outcome::Refused,
                "systemd-timedated is not available (" + messageOf(error.get()) + ")"};
    }
    Variant done = call(bus.get(), kService, "SetTime",
                        g_variant_new("(xbb)", static_cast<gint64>(moveMillis) * 1000, TRUE, FALSE),
                        nullptr, error);
    if (!done) {
        return {SystemClock::Outcome::Refused,
                "the system refused the new time: " + messageOf(error.get()) + kHowToAllow};
    }
    return {SystemClock::Outcome::Set, {}};
}

TimedatedClock::TimedatedClock(EventLoop& loop) : loop_(loop) {}

TimedatedClock::~TimedatedClock() {
    // The worker's calls are bounded by their time limit.
    if (worker_.joinable()) {
        worker_.join();
    }
}

std::int64_t TimedatedClock::NowUtcMillis() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

void TimedatedClock::MoveBy(std::int64_t millis, Done done) {
    if (*busy_) {
        loop_.post([done = std::move(done)] {
            done({Outcome::Refused, "an earlier clock update is still under way"});
        });
        return;
    }
    if (worker_.joinable()) {
        worker_.join();  // finished: busy_ is cleared only on the loop thread after its post
    }
    *busy_ = true;
    loop_.beginExternalWork();
    worker_ = std::thread([this, millis, done = std::move(done), busy = busy_,
                           alive = std::weak_ptr<int>(alive_)]() mutable {
        Result result = AskTimedated(millis);
        loop_.post([done = std::move(done), result = std::move(result), busy, alive] {
            *busy = false;
            if (!alive.expired()) {
                done(result);
            }
        });
        loop_.endExternalWork();
    });
}

}  // namespace pontavi
